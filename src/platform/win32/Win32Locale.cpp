// The user's language on Windows.
#include <windows.h>

#include <cstring>

#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

class Win32Locale : public ILocale {
  public:
    std::string UserLanguageId() override {
        const int size = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, nullptr, 0);
        if (size <= 0)
            return std::string();
        std::string text(static_cast<std::size_t>(size), '\0');
        ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, text.data(), size);
        text.resize(std::strlen(text.c_str()));
        return text;
    }
};

}  // namespace

std::unique_ptr<ILocale> CreateSystemLocale() {
    return std::make_unique<Win32Locale>();
}

}  // namespace bpconf::platform
