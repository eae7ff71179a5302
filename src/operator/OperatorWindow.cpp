#include "operator/OperatorWindow.h"

#include <cstdio>
#include <limits>

#include "operator/LanguageTables.h"
#include "operator/OperatorTexts.h"
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

std::optional<std::int32_t> ParseCounter(const std::string& text) {
    const auto value = protocol::ParseInteger(text, 0, std::numeric_limits<std::int32_t>::max());
    if (!value)
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

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

    const std::optional<int> counter = LoadSerialCounterStored();
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
    const platform::PrinterListing listing = s_.printers.List();
    // A spooler that cannot be reached is told ("error 1722"), never taken for "no printer".
    if (listing.error != 0)
        s_.transport.ShowDeliveryError(listing.error);
    if (listing.names.empty())
        return;
    form_.SetItems(ctl::cmbDriver, listing.names);
    // Without a default printer the list stays without a selection and start-up goes on.
    if (listing.defaultName) {
        form_.SetText(ctl::cmbDriver, *listing.defaultName);
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

std::optional<int> OperatorWindow::LoadSerialCounterStored() {
    // A usable value is read without the lock. Only a first start (no value at all) writes
    // "0001", under the lock, so it never overwrites a value another program has just written. A
    // value that is there but no counter (damaged, not a number, not a string) is left for the
    // operator to mend: starting again at 0001 would hand out used numbers.
    const platform::StoredValue stored = s_.counter.Read();
    if (stored.kind == platform::StoredValue::Kind::Text)
        return ParseCounter(stored.text);
    if (stored.kind != platform::StoredValue::Kind::Missing)
        return std::nullopt;
    std::optional<int> counter;
    s_.counter.Change([&counter](const platform::StoredValue& now) {
        if (now.kind == platform::StoredValue::Kind::Text) {
            counter = ParseCounter(now.text);
            return std::optional<std::string>();
        }
        if (now.kind != platform::StoredValue::Kind::Missing)
            return std::optional<std::string>();
        counter = 1;
        return std::optional<std::string>("0001");
    });
    return counter;
}

void OperatorWindow::LoadSerialCounterShow(std::optional<int> counter) {
    FillCounter(counter ? FormatCounter(*counter) : std::string());
    form_.SetText(ctl::txtUpdateOverNum, "0");
    form_.SetDate(s_.clock.Now());
    UpdateYearMonthStamp(form_.Date());
}

void OperatorWindow::FillCounter(const std::string& text) {
    form_.SetText(ctl::txtUpdateNo, text);
    counterFilled_ = form_.Text(ctl::txtUpdateNo);
    counterEdited_ = false;
}

bool OperatorWindow::CounterSetByOperator() const {
    return counterEdited_ || form_.Text(ctl::txtUpdateNo) != counterFilled_;
}

void OperatorWindow::txtUpdateNoChange() {
    counterEdited_ = true;
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

std::string OperatorWindow::TakeSerialNumber() {
    const std::string box = form_.Text(ctl::txtUpdateNo);
    const bool setByOperator = CounterSetByOperator();
    // The operator's number is checked before the store is touched.
    std::optional<std::int32_t> chosen;
    if (setByOperator)
        chosen = protocol::StrToInt(box);

    std::int32_t number = 0;
    std::string serial;
    bool atLimit = false;
    const platform::CounterChange change =
        s_.counter.Change([&](const platform::StoredValue& stored) -> std::optional<std::string> {
            std::optional<std::int32_t> stamp = chosen;
            if (stamp) {
                serial = protocol::Trim(box);
            } else {
                using Kind = platform::StoredValue::Kind;
                if (stored.kind == Kind::Text) {
                    stamp = ParseCounter(stored.text);
                } else if (stored.kind == Kind::Missing) {
                    // A store removed behind the window's back: go on from the last known
                    // number rather than from 0001.
                    stamp = ParseCounter(box);
                }
                if (!stamp) {
                    throw RunFailure{
                        RunEnd::SerialStore,
                        CounterUnusableText(
                            interfaceLanguage_, s_.counter.Location(),
                            stored.kind == Kind::Text ? "\"" + stored.text + "\"" : std::string())};
                }
                serial = FormatCounter(*stamp);
            }
            number = *stamp;
            if (number == std::numeric_limits<std::int32_t>::max()) {
                atLimit = true;
                return std::nullopt;
            }
            return FormatCounter(number + 1LL);
        });
    if (!change.ok()) {
        throw RunFailure{RunEnd::SerialStore, CounterStoreFailureText(interfaceLanguage_, change,
                                                                      s_.counter.Location())};
    }
    if (atLimit)
        throw RunFailure{RunEnd::SerialStore, CounterLimitText(interfaceLanguage_)};
    FillCounter(FormatCounter(number + 1LL));
    return serial;
}

void OperatorWindow::CountUpdatedUnit() {
    const long long units = protocol::StrToInt(form_.Text(ctl::txtUpdateOverNum));
    form_.SetText(ctl::txtUpdateOverNum, std::to_string(units + 1));
}

void OperatorWindow::SaveSerialCounter() {
    if (!CounterSetByOperator())
        return;
    const std::string box = form_.Text(ctl::txtUpdateNo);
    // An empty or non-numeric box would make the next start begin again at 0001.
    if (!ParseCounter(box)) {
        s_.boxes.Error(CounterNotANumberText(interfaceLanguage_, box));
        return;
    }
    const platform::CounterChange change = s_.counter.Write(box);
    if (!change.ok()) {
        s_.boxes.Error(CounterNotSavedText(interfaceLanguage_, box, change, s_.counter.Location()));
        return;
    }
    FillCounter(box);
}

}  // namespace bpconf::op
