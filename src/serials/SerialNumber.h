// The serial number a unit is stamped with: the six-digit year-month stamp followed by the
// counter zero-filled to at least four digits ("202612" and 5 give "2026120005"; 12345 stays
// 12345). The one rule for the window, the command line and every record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Environment.h"

namespace bpconf::serials {

// The largest counter: the one after it could not be read back by the strict 32-bit conversion.
inline constexpr std::int32_t kLargestCounter = 2147483647;

// "202612": the four-digit year and the two-digit month of the date.
std::string YearMonthStamp(const platform::LocalDateTime& date);

// "%.4d": zero-filled to at least four digits.
std::string FormatCounter(std::int64_t value);

// A counter text as a number from 0 to kLargestCounter by the strict conversion; nothing for a
// text that is none (empty, not a whole number, negative, too large).
std::optional<std::int32_t> ParseCounter(const std::string& text);

// A counter the operator gave as text (a profile, a command's argument): digits only, no sign or
// blank, then as ParseCounter.
std::optional<std::int32_t> ParseTypedCounter(const std::string& text);

// The serial number of a unit: the stamp (without blanks around it) and the counter.
std::string SerialText(const std::string& stamp, std::int64_t counter);

// The counter of a serial number that has this stamp: "2026120017" and "202612" give 17;
// nothing for another stamp or a tail that is not digits.
std::optional<std::int64_t> CounterOf(const std::string& serial, const std::string& stamp);

}  // namespace bpconf::serials
