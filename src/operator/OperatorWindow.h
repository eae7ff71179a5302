// The operator window's logic: start-up, printer list, language switch and closing, with the
// serial number, the update package and the update run as parts of their own. Toolkit-free: it
// reads and writes the window through IForm and reaches the platform through its services. The
// handlers carry the names of the window's design.
#pragma once

#include <functional>
#include <string>

#include "operator/Form.h"
#include "operator/FormRunSettings.h"
#include "operator/RunEnd.h"
#include "operator/RunView.h"
#include "operator/SerialCounter.h"
#include "operator/Services.h"
#include "operator/UpdatePackage.h"
#include "operator/UpdateRun.h"
#include "operator/WindowState.h"

namespace bpconf::op {

class OperatorWindow {
  public:
    OperatorWindow(IForm& form, Services services);

    // The check boxes the two start-up switches tick, and the pages and serial-number controls
    // they show (window creation).
    static void ApplyStartupSwitches(IForm& form, const WindowState& state);
    // The code-page and font lists in the language, their first choices selected.
    static void FillLanguageLists(IForm& form, const std::string& language);

    // Window creation, in the order of the design (serial counter read before the printer list,
    // shown after it).
    void FormCreate();
    // Empties cmbDriver, adds the installed printers and selects the default printer.
    void FillPrinterList();
    // One of rdbDriver, rdbLpt, rdbCom became selected.
    void rdbDriverClick();
    // Button4 closes the window (through the close callback); Button5 switches the language.
    void Button4Click(Control sender);
    // The window closes: the counter is stored (when the operator set it) and the package
    // released. During a run the run is stopped first, at its next pump, pause or wait.
    void FormClose();

    RunEnd Button3Click();
    void Button1Click() { package_.Button1Click(); }
    void Button2Click() { package_.Button2Click(); }
    void DTPUpdateNoChange() { serial_.DTPUpdateNoChange(); }
    void txtUpdateNoChange() { serial_.txtUpdateNoChange(); }

    // Calls a handler and shows any failure it raises in the standard error box, so that no
    // failure ever crosses the event loop; the window stays usable.
    bool Guarded(const std::function<void()>& handler);

    SerialCounter& Serial() { return serial_; }
    UpdatePackage& Package() { return package_; }
    const UpdateRun& Run() const { return run_; }
    const std::string& InterfaceLanguage() const { return state_.interfaceLanguage; }
    void SetInterfaceLanguage(const std::string& language) { state_.interfaceLanguage = language; }
    bool Running() const { return state_.running; }
    // What Button4 and a close request during a run call to close the window.
    void SetCloseWindow(std::function<void()> closeWindow) {
        closeWindow_ = std::move(closeWindow);
    }

  private:
    void SwitchLanguage();

    IForm& form_;
    Services s_;
    WindowState state_;
    SerialCounter serial_;
    UpdatePackage package_;
    FormRunSettings settings_;
    FormRunView view_;
    UpdateRun run_;
    std::function<void()> closeWindow_;
};

}  // namespace bpconf::op
