// The system's ANSI code page: the 8-bit encoding in which the printer receives its name.
#pragma once

#include <string>

namespace bpconf::platform {

// The Windows ANSI code page of a POSIX locale name ("zh_CN.UTF-8" gives "CP936"), chosen by the
// locale's language, with its territory or @modifier where Windows chooses by them:
//   CP874 th; CP932 ja; CP936 zh, zh_CN, zh_SG; CP949 ko; CP950 zh_TW, zh_HK, zh_MO;
//   CP1250 Central European (cs, pl, hu, sk, sl, hr, ro, sq, bs, tk, sr@latin);
//   CP1251 Cyrillic (ru, uk, be, bg, mk, sr, kk, ky, tt, mn, ba, tg, uz@cyrillic …);
//   CP1253 el; CP1254 tr, az, uz; CP1255 he; CP1256 ar, fa, ur, ug; CP1257 lt, lv, et;
//   CP1258 vi; CP1252 the Western languages and every other locale (C, POSIX, unknown).
std::string AnsiCodePageForLocale(const std::string& localeName);

// The user's ANSI code page: on Windows the system's (GetACP); elsewhere the one of the locale
// named by LC_ALL, else LC_CTYPE, else LANG (the first that is set and not empty).
std::string UserAnsiCodePage();

// UTF-8 text in the given code page ("CP1251"), as Windows' WideCharToMultiByte gives it with
// WC_NO_BEST_FIT_CHARS: a character the code page does not hold as itself becomes one '?' per
// UTF-16 unit (two for a character beyond U+FFFF), never a look-alike or a decomposed form; a
// byte that does not belong to well-formed UTF-8 becomes one '?'. Throws std::runtime_error,
// naming the code page and the system's reason, when the system cannot convert to the code page
// at all.
std::string Utf8ToCodePage(const std::string& utf8, const std::string& codePage);

// UTF-8 text in the user's ANSI code page (UserAnsiCodePage), as Utf8ToCodePage converts it.
std::string Utf8ToAnsi(const std::string& utf8);

// Bytes of the given code page back to UTF-8 (for showing what a printer was sent), read with
// Windows' table; bytes that do not decode become a replacement character (U+FFFD through iconv,
// the code page's default character on Windows). Throws std::runtime_error as Utf8ToCodePage
// does.
std::string CodePageToUtf8(const std::string& bytes, const std::string& codePage);

}  // namespace bpconf::platform
