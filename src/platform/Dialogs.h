// Message boxes and the open-file dialog.
#pragma once

#include <optional>
#include <string>

namespace bpconf::platform {

// The application title: caption of the plain box and of the standard error box.
inline constexpr const char* kApplicationTitle = "打印机监控升级工具";
inline constexpr const char* kWarningCaption = "警告";
inline constexpr const char* kErrorCaption = "错误";

class IMessageBoxes {
  public:
    virtual ~IMessageBoxes() = default;
    // Modal box captioned "警告", warning icon, one OK button.
    virtual void Warning(const std::string& text) = 0;
    // Modal box captioned "错误", error icon, one OK button.
    virtual void Error(const std::string& text) = 0;
    // Modal box captioned with the application title, no icon, one OK button.
    virtual void Plain(const std::string& text) = 0;
    // The standard box for a failure nobody caught: application title, error icon, the text
    // with a full stop added.
    virtual void Uncaught(const std::string& text) = 0;
    // Modal question captioned with the application title, question icon, Yes and No buttons;
    // true for Yes.
    virtual bool Ask(const std::string& text) = 0;
};

class IFileDialog {
  public:
    virtual ~IFileDialog() = default;
    // Lets the operator choose an existing file; nothing when cancelled.
    virtual std::optional<std::string> OpenFile(const std::string& pattern,
                                                const std::string& initialFolder) = 0;
};

// Where nobody can choose a file (the command line): every choice is cancelled.
class NoFileDialog : public IFileDialog {
  public:
    std::optional<std::string> OpenFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace bpconf::platform
