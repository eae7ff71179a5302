// The user's language, the local date and time, and pauses.
#pragma once

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace bpconf::platform {

class ILocale {
  public:
    virtual ~ILocale() = default;
    // The user's language ID as the four hexadecimal digits GetLocaleInfoA(LOCALE_ILANGUAGE)
    // gives, e.g. "0804" for Chinese (PRC).
    virtual std::string UserLanguageId() = 0;
};

// The locale the environment names through the given variables: the value of the first that is
// set and not empty, else "C". The code page reads LC_ALL, LC_CTYPE, LANG; the interface language
// reads LC_ALL, LC_MESSAGES, LANG.
std::string LocaleFromEnvironment(std::initializer_list<const char*> variables);

struct LocalDateTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class IClock {
  public:
    virtual ~IClock() = default;
    virtual LocalDateTime Now() = 0;
    // Milliseconds since 1970-01-01 00:00 UTC: the times of the record.
    virtual std::int64_t UtcMilliseconds() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    }
};

// Sleeps on the calling thread (Sleep on Windows).
void SleepMilliseconds(int milliseconds);

// The program's arguments in UTF-8 (Windows hands a program its arguments in the ANSI code page,
// which cannot hold every character the operator may type).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// An environment variable in UTF-8; nothing when it is not set. (On Windows the C library's
// getenv gives the ANSI code page, which loses a folder named in another script.)
std::optional<std::string> EnvironmentVariable(const char* name);

// Lets the console show UTF-8 text (the Chinese status texts) on Windows; nothing elsewhere.
void PrepareConsole();

}  // namespace bpconf::platform
