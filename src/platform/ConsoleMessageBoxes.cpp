// Message boxes of the command line: each box is one line on standard error.
#include <iostream>

#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

class ConsoleMessageBoxes : public IMessageBoxes {
  public:
    void Warning(const std::string& text) override { Show(kWarningCaption, text); }
    void Error(const std::string& text) override { Show(kErrorCaption, text); }
    void Plain(const std::string& text) override { Show(kApplicationTitle, text); }
    void Uncaught(const std::string& text) override { Show(kApplicationTitle, text + "."); }

  private:
    static void Show(const char* caption, const std::string& text) {
        std::cerr << caption << ": " << text << std::endl;
    }
};

}  // namespace

std::unique_ptr<IMessageBoxes> CreateConsoleMessageBoxes() {
    return std::make_unique<ConsoleMessageBoxes>();
}

}  // namespace bpconf::platform
