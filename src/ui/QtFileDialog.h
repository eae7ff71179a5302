// The open-file dialog of the Qt window.
#pragma once

#include "platform/Dialogs.h"

namespace bpconf::ui {

class QtFileDialog : public platform::IFileDialog {
  public:
    std::optional<std::string> OpenFile(const std::string& pattern,
                                        const std::string& initialFolder) override;
};

}  // namespace bpconf::ui
