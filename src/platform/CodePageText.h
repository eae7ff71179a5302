// What both back ends of AnsiText.h share: reading well-formed UTF-8 and code page names.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace bpconf::platform {

// The length of the well-formed UTF-8 sequence that starts at text[pos] (1 to 4), or 0 when the
// byte there starts none: a stray continuation byte, C0, C1 or F5..FF, a sequence cut short, an
// overlong form, a UTF-16 surrogate (U+D800..U+DFFF) or a value beyond U+10FFFF.
std::size_t WellFormedUtf8Length(const std::string& text, std::size_t pos);

// The UTF-8 bytes of one character (up to U+10FFFF).
std::string EncodeUtf8(char32_t c);

// The text with every byte that belongs to no well-formed UTF-8 sequence replaced by '?'.
std::string ReplaceMalformedUtf8(const std::string& text);

// The number of a code page named "CP" and its decimal number ("CP1251" gives 1251); nothing for
// any other name.
std::optional<unsigned> CodePageNumber(const std::string& codePage);

}  // namespace bpconf::platform
