// The update package: Button1 chooses a "*.bin" file, loads it into PackageList and shows its
// dump in the log pane; Button2 sends it unchanged as a test print.
#pragma once

#include "operator/Form.h"
#include "operator/Services.h"
#include "operator/WindowState.h"
#include "transport/untByteList.h"

namespace bpconf::op {

class UpdatePackage {
  public:
    UpdatePackage(IForm& form, Services& services, const WindowState& state)
        : form_(form), s_(services), state_(state) {}

    void Button1Click();
    void Button2Click();

    // The loaded package: one byte list after a successful choice; read by the update run.
    const ByteLists& List() const { return list_; }
    // The package's file name (without its folder), for the record; "" without a package.
    const std::string& FileName() const { return fileName_; }
    // The package's size and SHA-256 for the record, computed once per package.
    std::uint64_t Size() const;
    const std::string& Sha256() const;
    // Loads a package read elsewhere (the command line's --package).
    void Set(const std::vector<std::uint8_t>& bytes, const std::string& path);
    void Release() {
        list_.clear();
        fileName_.clear();
        sha256_.clear();
    }

  private:
    IForm& form_;
    Services& s_;
    const WindowState& state_;
    ByteLists list_;
    std::string fileName_;
    mutable std::string sha256_;  // "" until asked for
};

}  // namespace bpconf::op
