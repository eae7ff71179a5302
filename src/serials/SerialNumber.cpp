#include "serials/SerialNumber.h"

#include <cstdio>

#include "platform/AsciiText.h"
#include "protocol/IntConv.h"

namespace bpconf::serials {

std::string YearMonthStamp(const platform::LocalDateTime& date) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d", date.year, date.month);
    return stamp;
}

std::string FormatCounter(std::int64_t value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4lld", static_cast<long long>(value));
    return buf;
}

std::optional<std::int32_t> ParseCounter(const std::string& text) {
    const auto value = protocol::ParseInteger(text, 0, kLargestCounter);
    if (!value)
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::optional<std::int32_t> ParseTypedCounter(const std::string& text) {
    return text::IsDigits(text) ? ParseCounter(text) : std::nullopt;
}

std::string SerialText(const std::string& stamp, std::int64_t counter) {
    return text::Trim(stamp) + FormatCounter(counter);
}

std::optional<std::int64_t> CounterOf(const std::string& serial, const std::string& stamp) {
    if (serial.size() <= stamp.size() || serial.compare(0, stamp.size(), stamp) != 0)
        return std::nullopt;
    const std::string tail = serial.substr(stamp.size());
    if (tail.size() > 18)
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : tail) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace bpconf::serials
