// The open-file dialog of the Win32 window: the system's GetOpenFileNameW.
#pragma once

#include "platform/Dialogs.h"

namespace bpconf::ui {

class Win32FileDialog : public platform::IFileDialog {
  public:
    std::optional<std::string> OpenFile(const std::string& pattern,
                                        const std::string& initialFolder) override;
};

}  // namespace bpconf::ui
