#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "operator/RunTimeouts.h"
#include "platform/AsciiText.h"
#include "protocol/IntConv.h"
#include "transport/Errors.h"

namespace bpconf::protocol {
namespace {

constexpr std::int64_t kI32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kI32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kI64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kI64Max = std::numeric_limits<std::int64_t>::max();

struct Case {
    std::string text;
    std::optional<std::int64_t> as32;  // nothing: invalid in 32 bits
    std::optional<std::int64_t> as64;  // nothing: invalid in 64 bits
};

const Case kCases[] = {
    // Notation that is accepted.
    {"0", 0, 0},
    {"300", 300, 300},
    {" 300", 300, 300},
    {"   -7", -7, -7},
    {"+12", 12, 12},
    {"0012", 12, 12},
    {"$12C", 300, 300},
    {"$12c", 300, 300},
    {"x1F", 31, 31},
    {"X1f", 31, 31},
    {"0x1F", 31, 31},
    {"0X1F", 31, 31},
    {"-$10", -16, -16},
    {"+0x10", 16, 16},
    {"-x1", -1, -1},
    {"-0", 0, 0},
    {"00000000000000000000000000000000000001", 1, 1},
    {"$00000000000000000000000000000000000FF", 255, 255},
    // Range edges in both widths.
    {"2147483647", kI32Max, kI32Max},
    {"-2147483648", kI32Min, kI32Min},
    {"2147483648", std::nullopt, 2147483648LL},
    {"-2147483649", std::nullopt, -2147483649LL},
    {"$7FFFFFFF", kI32Max, kI32Max},
    {"$80000000", std::nullopt, 0x80000000LL},
    {"-$80000000", kI32Min, kI32Min},
    {"4294967296", std::nullopt, 4294967296LL},
    {"9223372036854775807", std::nullopt, kI64Max},
    {"-9223372036854775808", std::nullopt, kI64Min},
    {"9223372036854775808", std::nullopt, std::nullopt},
    {"-9223372036854775809", std::nullopt, std::nullopt},
    {"$7FFFFFFFFFFFFFFF", std::nullopt, kI64Max},
    {"$8000000000000000", std::nullopt, std::nullopt},
    {"-$8000000000000000", std::nullopt, kI64Min},
    {"$FFFFFFFFFFFFFFFF", std::nullopt, std::nullopt},
    {"99999999999999999999999999999999999999999999", std::nullopt, std::nullopt},
    // Text that is not an integer.
    {"", std::nullopt, std::nullopt},
    {" ", std::nullopt, std::nullopt},
    {"    ", std::nullopt, std::nullopt},
    {"300 ", std::nullopt, std::nullopt},
    {"+", std::nullopt, std::nullopt},
    {"-", std::nullopt, std::nullopt},
    {"$", std::nullopt, std::nullopt},
    {"x", std::nullopt, std::nullopt},
    {"0x", std::nullopt, std::nullopt},
    {"-0x", std::nullopt, std::nullopt},
    {"00x1", std::nullopt, std::nullopt},
    {"abc", std::nullopt, std::nullopt},
    {"12a", std::nullopt, std::nullopt},
    {"1 2", std::nullopt, std::nullopt},
    {"+-1", std::nullopt, std::nullopt},
    {"--1", std::nullopt, std::nullopt},
    {"$-1", std::nullopt, std::nullopt},
    {"0x$1", std::nullopt, std::nullopt},
    {"\t1", std::nullopt, std::nullopt},
    {"1.5", std::nullopt, std::nullopt},
    {"1e3", std::nullopt, std::nullopt},
    {"$G", std::nullopt, std::nullopt},
    {"\xEF\xBC\x91", std::nullopt, std::nullopt},  // full-width digit one
    {"1\xFF", std::nullopt, std::nullopt},
    {"\x80", std::nullopt, std::nullopt},
    {std::string("1\0"
                 "2",
                 3),
     std::nullopt, std::nullopt},
};

TEST(IntConv, StrictConversionsTable) {
    for (const auto& c : kCases) {
        if (c.as32) {
            EXPECT_EQ(ToInt32(c.text), *c.as32) << "'" << c.text << "'";
        } else {
            try {
                ToInt32(c.text);
                ADD_FAILURE() << "'" << c.text << "' converted in 32 bits";
            } catch (const NotAnIntegerError& e) {
                EXPECT_EQ(e.Message(), "'" + c.text + "' is not a valid integer value");
            }
        }
        if (c.as64) {
            EXPECT_EQ(ToInt64(c.text), *c.as64) << "'" << c.text << "'";
        } else {
            EXPECT_THROW(ToInt64(c.text), NotAnIntegerError) << "'" << c.text << "'";
        }
    }
}

TEST(IntConv, ConversionsWithDefaultTable) {
    for (const auto& c : kCases) {
        EXPECT_EQ(ToInt32Or(c.text, -42), c.as32.value_or(-42)) << "'" << c.text << "'";
        EXPECT_EQ(ToInt64Or(c.text, -42), c.as64.value_or(-42)) << "'" << c.text << "'";
    }
}

TEST(IntConv, VeryLongDigitStringsFailCleanly) {
    const std::string longDigits(100000, '9');
    EXPECT_THROW(ToInt64(longDigits), NotAnIntegerError);
    EXPECT_EQ(ToInt32Or(longDigits, 7), 7);
    EXPECT_EQ(ToInt64("-" + std::string(10000, '0') + "5"), -5);
}

TEST(IntConv, FailureMessageKeepsTheTextUnchanged) {
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"", "'' is not a valid integer value"},
        {"abc", "'abc' is not a valid integer value"},
        {" 12 ", "' 12 ' is not a valid integer value"},
        {"中文", "'中文' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NotAnIntegerMessage(c.text), c.message);
        try {
            ToInt32(c.text);
            ADD_FAILURE() << c.text;
        } catch (const NotAnIntegerError& e) {
            EXPECT_EQ(e.what(), c.message);
        }
    }
}

TEST(AsciiText, TrimRemovesBlanksAndControlCharactersAround) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"", ""},         {"   ", ""},        {" 2800 ", "2800"}, {"\t\r\n2800\x01\x1F", "2800"},
        {" a b ", "a b"}, {" 中文 ", "中文"}, {"\x7F", "\x7F"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::Trim(c.in), c.out) << "'" << c.in << "'";
    }
}

TEST(JobTimeout, SecondsToMilliseconds) {
    const struct {
        const char* text;
        bool ok;
        int ms;
    } cases[] = {
        // Following cannot be turned off: 0 and anything below a second are refused.
        {"30", true, 30000}, {"2.5", true, 2500},  {"1", true, 1000},         {"0", false, 0},
        {"0.999", false, 0}, {"0.0004", false, 0}, {"86400", true, 86400000}, {"86401", false, 0},
        {"-1", false, 0},    {"-0", false, 0},     {"+5", false, 0},          {"", false, 0},
        {"5s", false, 0},    {"nan", false, 0},    {"inf", false, 0},
    };
    for (const auto& c : cases) {
        int ms = -7;
        EXPECT_EQ(op::ParseJobTimeout(c.text, ms), c.ok) << c.text;
        EXPECT_EQ(ms, c.ok ? c.ms : -7) << c.text;
    }
}

TEST(AsciiText, CaseAndHexTouchAsciiOnly) {
    EXPECT_EQ(text::ToUpperAscii("drive Drive é"), "DRIVE DRIVE é");
    EXPECT_EQ(text::ToLowerAscii("CHINESE Ä"), "chinese Ä");
    EXPECT_TRUE(text::EqualsIgnoringCase("Num", "nUM"));
    EXPECT_FALSE(text::EqualsIgnoringCase("Num", "Nu"));
    EXPECT_EQ(text::HexBytes(std::string("\x1B\x00\xFFz", 4)), "1B 00 FF 7A");
    EXPECT_EQ(text::HexBytes(""), "");
}

}  // namespace
}  // namespace bpconf::protocol
