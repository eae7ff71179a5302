#include "operator/OperatorWindow.h"

#include <cstdio>

#include "operator/LanguageTables.h"
#include "operator/SystemLanguage.h"
#include "protocol/IntConv.h"
#include "transport/Errors.h"

namespace bpconf::op {

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

std::string FormatCounter(long long value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4lld", value);
    return buf;
}

bool OperatorWindow::Guarded(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const Exception& e) {
        s_.boxes.Uncaught(e.Message());
    } catch (const std::exception& e) {
        s_.boxes.Uncaught(e.what());
    }
    return false;
}

void OperatorWindow::FormCreate() {
    specialMode_ = true;
    productionMode_ = true;

    form_.SetVisible(ctl::TabSheet2, specialMode_);
    for (const char* box : {ctl::CheckBox3, ctl::CheckBox9, ctl::CheckBox4, ctl::CheckBox12}) {
        form_.SetChecked(box, specialMode_);
    }

    form_.SetVisible(ctl::TabSheet3, productionMode_);
    form_.SetVisible(ctl::chkUpdateNo, productionMode_);
    form_.SetChecked(ctl::chkUpdateNo, productionMode_);
    for (const char* control : {ctl::DTPUpdateNo, ctl::txtUpdateNo, ctl::txtUpdateOverNum,
                                ctl::Label4, ctl::lblNoYearMonth}) {
        form_.SetVisible(control, productionMode_);
    }

    const int counter = LoadSerialCounterStored();
    packageList_.clear();
    form_.SetChecked(ctl::RadioButton2, true);
    FillPrinterList();
    LoadSerialCounterShow(counter);
    form_.SetEnabled(ctl::Button2, false);
    form_.SetEnabled(ctl::cmbDriver, form_.Checked(ctl::rdbDriver));
    form_.SetEnabled(ctl::cmbLpt, form_.Checked(ctl::rdbLpt));

    form_.SetText(ctl::Edit1, "");
    form_.SetText(ctl::Edit2, "2800");
    form_.SetText(ctl::Edit3, "1800");
    form_.SetText(ctl::Edit4, "300");

    interfaceLanguage_ = LowerAscii(GetSystemLanguage(s_.locale));
    form_.SetText(ctl::Button5, IsChinese(interfaceLanguage_) ? "english" : "chinese");
}

void OperatorWindow::FillPrinterList() {
    form_.SetItems(ctl::cmbDriver, {});
    const auto printers = s_.printers.InstalledPrinters();
    if (printers.empty())
        return;
    form_.SetItems(ctl::cmbDriver, printers);
    // Without a default printer the list stays without a selection and start-up goes on.
    if (const auto def = s_.printers.DefaultPrinter()) {
        form_.SetText(ctl::cmbDriver, *def);
    }
}

void OperatorWindow::rdbDriverClick() {
    FillPrinterList();
    form_.SetEnabled(ctl::cmbDriver, form_.Checked(ctl::rdbDriver));
}

void OperatorWindow::Button4Click(const std::string& sender) {
    if (sender == ctl::Button4) {
        if (closeWindow_)
            closeWindow_();
        return;
    }
    SwitchLanguage();
}

void OperatorWindow::SwitchLanguage() {
    FillPrinterList();
    interfaceLanguage_ = LowerAscii(form_.Text(ctl::Button5));
    form_.SetItems(ctl::cboLanage, BuildCodePageList(interfaceLanguage_));
    const bool chinese = IsChinese(interfaceLanguage_);
    for (const auto& row : CaptionTable()) {
        form_.SetText(row.control, chinese ? row.chinese : row.english);
    }
    form_.SetItems(ctl::ComboBox3, FontTypeItems(interfaceLanguage_));
    form_.SetItemIndex(ctl::ComboBox3, 0);
    form_.SetItemIndex(ctl::cboLanage, kDefaultCodePageIndex);
}

void OperatorWindow::FormClose() {
    if (running_) {
        // The run stops at its next pump or pause and then closes the window again.
        closeRequested_ = true;
        return;
    }
    SaveSerialCounter();
    packageList_.clear();
}

int OperatorWindow::LoadSerialCounterStored() {
    const platform::StoredValue stored = s_.counter.Read();
    const std::string text = stored.kind == platform::StoredValue::Kind::Text ? stored.text : "";
    if (stored.kind != platform::StoredValue::Kind::NotAString) {
        try {
            return protocol::StrToInt(text);
        } catch (const EConvertError&) {
        }
    }
    s_.counter.Write("0001");
    return 1;
}

void OperatorWindow::LoadSerialCounterShow(int counter) {
    form_.SetText(ctl::txtUpdateNo, FormatCounter(counter));
    form_.SetText(ctl::txtUpdateOverNum, "0");
    form_.SetDate(s_.clock.Now());
    UpdateYearMonthStamp(form_.Date());
}

void OperatorWindow::DTPUpdateNoChange() {
    UpdateYearMonthStamp(form_.Date());
}

void OperatorWindow::UpdateYearMonthStamp(const platform::LocalDateTime& date) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d", date.year, date.month);
    form_.SetText(ctl::lblNoYearMonth, stamp);
}

bool OperatorWindow::CounterKeyPasses(char32_t typed) {
    return (typed >= U'0' && typed <= U'9') || typed == U'\b';
}

std::string OperatorWindow::FilterCounterText(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    return digits;
}

void OperatorWindow::AdvanceSerialCounter() {
    const long long counter = protocol::StrToInt(form_.Text(ctl::txtUpdateNo));
    form_.SetText(ctl::txtUpdateNo, FormatCounter(counter + 1));
    // Stored at once: a crash or power cut after a stamped unit must never hand the same serial
    // number to the next unit.
    s_.counter.Write(form_.Text(ctl::txtUpdateNo));
    const long long units = protocol::StrToInt(form_.Text(ctl::txtUpdateOverNum));
    form_.SetText(ctl::txtUpdateOverNum, std::to_string(units + 1));
}

void OperatorWindow::SaveSerialCounter() {
    if (!s_.counter.Write(form_.Text(ctl::txtUpdateNo))) {
        s_.counter.Write("0001");
    }
}

}  // namespace bpconf::op
