// The integer conversions of control texts.
//
// Accepted notation: optional leading blanks (0x20), an optional sign '+' or '-', then decimal
// digits, or hexadecimal digits after '$', 'x', 'X', "0x" or "0X". Nothing may follow the digits
// (a trailing blank is invalid) and an empty text is invalid.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace bpconf::protocol {

// The value of text when it is such an integer within min .. max, else nothing.
std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t min, std::int64_t max);

// Strict conversions: NotAnIntegerError "'%s' is not a valid integer value" on failure.
std::int32_t ToInt32(const std::string& text);
std::int64_t ToInt64(const std::string& text);

// Conversions with a default: never fail.
std::int32_t ToInt32Or(const std::string& text, std::int32_t fallback);
std::int64_t ToInt64Or(const std::string& text, std::int64_t fallback);

// The failure text of a strict conversion.
std::string NotAnIntegerMessage(const std::string& text);

}  // namespace bpconf::protocol
