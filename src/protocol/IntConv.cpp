#include "protocol/IntConv.h"

#include <limits>

#include "transport/Errors.h"

namespace bpconf::protocol {

namespace {

int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (!hex)
        return -1;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t min,
                                         std::int64_t max) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }

    if (i >= text.size())
        return std::nullopt;  // no digits at all

    // The magnitude is kept in 64 unsigned bits; anything above 2^63 is out of every range.
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;
    const std::uint64_t base = hex ? 16 : 10;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int d = DigitValue(text[i], hex);
        if (d < 0)
            return std::nullopt;
        if (magnitude > (kLimit - static_cast<std::uint64_t>(d)) / base)
            return std::nullopt;
        magnitude = magnitude * base + static_cast<std::uint64_t>(d);
    }

    std::int64_t value;
    if (negative) {
        value = magnitude == kLimit ? std::numeric_limits<std::int64_t>::min()
                                    : -static_cast<std::int64_t>(magnitude);
    } else {
        if (magnitude == kLimit)
            return std::nullopt;
        value = static_cast<std::int64_t>(magnitude);
    }
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

std::string NotAnIntegerMessage(const std::string& text) {
    return "'" + text + "' is not a valid integer value";
}

std::int32_t ToInt32(const std::string& text) {
    const auto v = ParseInteger(text, std::numeric_limits<std::int32_t>::min(),
                                std::numeric_limits<std::int32_t>::max());
    if (!v)
        throw NotAnIntegerError(NotAnIntegerMessage(text));
    return static_cast<std::int32_t>(*v);
}

std::int64_t ToInt64(const std::string& text) {
    const auto v = ParseInteger(text, std::numeric_limits<std::int64_t>::min(),
                                std::numeric_limits<std::int64_t>::max());
    if (!v)
        throw NotAnIntegerError(NotAnIntegerMessage(text));
    return *v;
}

std::int32_t ToInt32Or(const std::string& text, std::int32_t fallback) {
    const auto v = ParseInteger(text, std::numeric_limits<std::int32_t>::min(),
                                std::numeric_limits<std::int32_t>::max());
    return v ? static_cast<std::int32_t>(*v) : fallback;
}

std::int64_t ToInt64Or(const std::string& text, std::int64_t fallback) {
    const auto v = ParseInteger(text, std::numeric_limits<std::int64_t>::min(),
                                std::numeric_limits<std::int64_t>::max());
    return v ? *v : fallback;
}

}  // namespace bpconf::protocol
