// The update package: Button1 chooses a "*.bin" file, loads it into PackageList and shows its
// dump in the log pane; Button2 sends it unchanged as a test print.
#pragma once

#include "operator/Form.h"
#include "operator/Package.h"
#include "operator/Services.h"
#include "operator/WindowState.h"

namespace bpconf::op {

class UpdatePackage {
  public:
    UpdatePackage(IForm& form, Services& services, const WindowState& state)
        : form_(form), s_(services), state_(state) {}

    void Button1Click();
    void Button2Click();

    // The loaded package (PackageList), read by the update run.
    const Package& Contents() const { return package_; }
    void Release() { package_.Release(); }

  private:
    IForm& form_;
    Services& s_;
    const WindowState& state_;
    Package package_;
};

}  // namespace bpconf::op
