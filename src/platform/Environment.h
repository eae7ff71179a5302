// The user's language, the local date and time, and pauses.
#pragma once

#include <string>

namespace bpconf::platform {

class ILocale {
  public:
    virtual ~ILocale() = default;
    // The user's language ID as the four hexadecimal digits GetLocaleInfoA(LOCALE_ILANGUAGE)
    // gives, e.g. "0804" for Chinese (PRC).
    virtual std::string UserLanguageId() = 0;
};

struct LocalDateTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class IClock {
  public:
    virtual ~IClock() = default;
    virtual LocalDateTime Now() = 0;
};

}  // namespace bpconf::platform
