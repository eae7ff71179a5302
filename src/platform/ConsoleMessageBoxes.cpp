// Message boxes of the command line: each box is one line on standard error.
#include <iostream>
#include <mutex>

#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

class ConsoleMessageBoxes : public IMessageBoxes {
  public:
    explicit ConsoleMessageBoxes(std::string prefix) : prefix_(std::move(prefix)) {}
    void Warning(const std::string& text) override { Show(kWarningCaption, text); }
    void Error(const std::string& text) override { Show(kErrorCaption, text); }
    void Plain(const std::string& text) override { Show(kApplicationTitle, text); }
    void Uncaught(const std::string& text) override { Show(kApplicationTitle, text + "."); }
    // Nobody answers on the command line: the question is shown and answered No; the options
    // give the Yes beforehand.
    bool Ask(const std::string& text) override {
        Show(kApplicationTitle, text);
        return false;
    }

  private:
    void Show(const char* caption, const std::string& text) {
        // Boxes of runs on other threads never mix within a line.
        static std::mutex mutex;
        std::lock_guard<std::mutex> lock(mutex);
        std::cerr << prefix_ << caption << ": " << text << std::endl;
    }
    std::string prefix_;
};

}  // namespace

std::unique_ptr<IMessageBoxes> CreateConsoleMessageBoxes(const std::string& prefix) {
    return std::make_unique<ConsoleMessageBoxes>(prefix);
}

}  // namespace bpconf::platform
