// The user's language from the locale variables (LC_ALL, LC_MESSAGES, LANG), as a Windows
// language ID.
#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

class EnvironmentLocale : public ILocale {
  public:
    std::string UserLanguageId() override {
        return LanguageIdForLocale(LocaleFromEnvironment({"LC_ALL", "LC_MESSAGES", "LANG"}));
    }
};

}  // namespace

std::unique_ptr<ILocale> CreateSystemLocale() {
    return std::make_unique<EnvironmentLocale>();
}

}  // namespace bpconf::platform
