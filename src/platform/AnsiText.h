// The system's ANSI code page: the 8-bit encoding in which the printer receives its name.
#pragma once

#include <string>

namespace bpconf::platform {

// The legacy code page of a POSIX locale name ("zh_CN.UTF-8" gives "CP936"): zh_CN and zh_SG
// CP936 (GBK), zh_TW and zh_HK CP950 (Big5), ja CP932, ko CP949, every other locale CP1252.
std::string AnsiCodePageForLocale(const std::string& localeName);

// The code page of the user's locale (LC_ALL, else LC_CTYPE, else LANG).
std::string UserAnsiCodePage();

// UTF-8 text in the given code page. A character the code page cannot hold, or a byte that is
// not UTF-8, becomes '?', as the Windows conversion to the ANSI code page does.
std::string Utf8ToCodePage(const std::string& utf8, const std::string& codePage);

// UTF-8 text in the user's ANSI code page.
std::string Utf8ToAnsi(const std::string& utf8);

// Bytes of the given code page back to UTF-8 (for showing what a printer was sent); bytes that
// do not decode become U+FFFD.
std::string CodePageToUtf8(const std::string& bytes, const std::string& codePage);

}  // namespace bpconf::platform
