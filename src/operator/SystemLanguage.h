// The interface language the system suggests at start.
#pragma once

#include <string>

#include "platform/Environment.h"

namespace bpconf::op {

// "CHINESE" when the user's language ID (four hex digits) is 0804, 0004 or 1004, else "ENGLISH".
std::string GetSystemLanguage(const std::string& languageIdText);
std::string GetSystemLanguage(platform::ILocale& locale);
// The same as the interface's language: "chinese" or "english".
std::string SystemInterfaceLanguage(platform::ILocale& locale);

}  // namespace bpconf::op
