#include "operator/OperatorWindow.h"

#include "operator/Design.h"
#include "operator/LanguageTables.h"
#include "operator/SystemLanguage.h"
#include "platform/AsciiText.h"
#include "transport/Errors.h"

namespace bpconf::op {

OperatorWindow::OperatorWindow(IForm& form, Services services)
    : form_(form),
      s_(std::move(services)),
      serial_(form_, s_.serials, s_.clock, s_.boxes, state_, s_.station),
      package_(form_, s_, state_),
      settings_(form_),
      view_(form_),
      run_(settings_, view_, s_, state_, serial_, package_.Contents()) {}

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

void OperatorWindow::ApplyStartupSwitches(IForm& form, const WindowState& state) {
    form.SetVisible(ctl::TabSheet2, state.specialMode);
    for (Control box : {ctl::CheckBox3, ctl::CheckBox9, ctl::CheckBox4, ctl::CheckBox12})
        form.SetChecked(box, state.specialMode);

    form.SetVisible(ctl::TabSheet3, state.productionMode);
    form.SetVisible(ctl::chkUpdateNo, state.productionMode);
    form.SetChecked(ctl::chkUpdateNo, state.productionMode);
    for (Control control : {ctl::DTPUpdateNo, ctl::txtUpdateNo, ctl::txtUpdateOverNum, ctl::Label4,
                            ctl::lblNoYearMonth}) {
        form.SetVisible(control, state.productionMode);
    }
}

void OperatorWindow::FormCreate() {
    state_.specialMode = true;
    state_.productionMode = true;
    ApplyStartupSwitches(form_, state_);

    const std::optional<int> counter = serial_.LoadStored();
    package_.Release();
    form_.SetChecked(ctl::RadioButton2, true);
    FillPrinterList();
    serial_.Show(counter);
    form_.SetEnabled(ctl::Button2, false);
    form_.SetEnabled(ctl::cmbDriver, form_.Checked(ctl::rdbDriver));
    form_.SetEnabled(ctl::cmbLpt, form_.Checked(ctl::rdbLpt));

    for (const auto& edit : EditDefaults())
        form_.SetText(edit.control, edit.text);

    state_.interfaceLanguage = SystemInterfaceLanguage(s_.locale);
    form_.SetText(ctl::Button5, IsChinese(state_.interfaceLanguage) ? "english" : "chinese");
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
    if (listing.defaultName)
        form_.SetText(ctl::cmbDriver, *listing.defaultName);
}

void OperatorWindow::rdbDriverClick() {
    FillPrinterList();
    form_.SetEnabled(ctl::cmbDriver, form_.Checked(ctl::rdbDriver));
}

void OperatorWindow::Button4Click(Control sender) {
    if (sender == ctl::Button4) {
        if (closeWindow_)
            closeWindow_();
        return;
    }
    SwitchLanguage();
}

void OperatorWindow::SwitchLanguage() {
    FillPrinterList();
    state_.interfaceLanguage = text::ToLowerAscii(form_.Text(ctl::Button5));
    const bool chinese = IsChinese(state_.interfaceLanguage);
    for (const auto& row : CaptionTable()) {
        if (row.english != nullptr)
            form_.SetText(row.control, chinese ? row.chinese : row.english);
    }
    FillLanguageLists(form_, state_.interfaceLanguage);
}

void OperatorWindow::FillLanguageLists(IForm& form, const std::string& language) {
    form.SetItems(ctl::cboLanage, BuildCodePageList(language));
    form.SetItemIndex(ctl::cboLanage, kDefaultCodePageIndex);
    form.SetItems(ctl::ComboBox3, FontTypeItems(language));
    form.SetItemIndex(ctl::ComboBox3, 0);
}

RunEnd OperatorWindow::Button3Click() {
    if (state_.running)
        return RunEnd::NotStarted;
    state_.running = true;
    const RunEnd end = run_.Run();
    state_.running = false;
    // A close asked for while the run ended (during its last box, say) is carried out now; it
    // must never be left over to stop the next run.
    if (state_.closeRequested) {
        state_.closeRequested = false;
        if (closeWindow_)
            closeWindow_();
    }
    return end;
}

void OperatorWindow::FormClose() {
    if (state_.running) {
        // The run stops at its next pump, pause or wait and then closes the window again.
        state_.closeRequested = true;
        return;
    }
    serial_.Save();
    package_.Release();
}

}  // namespace bpconf::op
