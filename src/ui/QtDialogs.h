// Message boxes and the open-file dialog of the window.
#pragma once

#include "platform/Dialogs.h"

namespace bpconf::ui {

// Modal boxes owned by the active window.
class QtMessageBoxes : public platform::IMessageBoxes {
  public:
    void Warning(const std::string& text) override;
    void Error(const std::string& text) override;
    void Plain(const std::string& text) override;
    void Uncaught(const std::string& text) override;
};

class QtFileDialog : public platform::IFileDialog {
  public:
    std::optional<std::string> OpenFile(const std::string& pattern,
                                        const std::string& initialFolder) override;
};

}  // namespace bpconf::ui
