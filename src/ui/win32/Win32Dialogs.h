// Message boxes and the open-file dialog of the Win32 window: the system's own (MessageBoxW
// owned by the active window, GetOpenFileNameW).
#pragma once

#include <functional>
#include <vector>

#include "platform/Dialogs.h"

namespace bpconf::ui {

// Boxes raised while the main window is being created can be held until it is on the screen, so
// the window opens first and owns them.
class Win32MessageBoxes : public platform::IMessageBoxes {
  public:
    void Warning(const std::string& text) override;
    void Error(const std::string& text) override;
    void Plain(const std::string& text) override;
    void Uncaught(const std::string& text) override;
    // Never held: the answer is needed now.
    bool Ask(const std::string& text) override;

    void Hold() { holding_ = true; }
    // Shows the held boxes, in order.
    void Release();

  private:
    void Box(unsigned icon, const char* caption, const std::string& text);
    bool holding_ = false;
    std::vector<std::function<void()>> held_;
};

class Win32FileDialog : public platform::IFileDialog {
  public:
    std::optional<std::string> OpenFile(const std::string& pattern,
                                        const std::string& initialFolder) override;
};

}  // namespace bpconf::ui
