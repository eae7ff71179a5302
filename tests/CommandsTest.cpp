#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "TestSupport.h"
#include "operator/LanguageTables.h"
#include "protocol/Commands.h"
#include "protocol/SelfTestMessage.h"
#include "transport/Errors.h"

namespace bpconf::protocol {
namespace {

using test::Bytes;
using test::Hex;

struct FrameCase {
    const char* what;
    std::function<Frame()> build;
    const char* expected;
};

TEST(Commands, FramesTable) {
    const FrameCase cases[] = {
        // The values the window shows when it opens.
        {"SLAN default item", [] { return BuildSLAN("15,CP936 [简体中文]"); },
         "1B 23 23 53 4C 41 4E 0F"},
        {"STDP 28", [] { return BuildSTDP("28"); }, "1B 23 23 53 54 44 50 1C"},
        {"BDIT 300", [] { return BuildBDIT("300"); }, "1B 23 23 42 44 49 54 2C 01 00 00"},
        {"LFCH ticked 0A", [] { return BuildLFCH(true, 0); }, "1B 23 23 4C 46 43 48 0A"},
        {"EDCD ticked", [] { return BuildEDCD(true); }, "1B 23 23 45 44 43 44 01"},
        {"BLSP ticked", [] { return BuildBLSP(true); }, "1B 23 23 42 4C 53 50 01"},
        {"SPTI 1800", [] { return BuildSPTI("1800"); }, "1B 23 23 53 50 54 49 08 07 00 00"},
        {"CHTY fixed width", [] { return BuildCHTY(0); }, "1B 23 23 43 48 54 59 82"},
        {"SBCV 2800", [] { return BuildSBCV("2800"); }, "1B 23 23 53 42 43 56 F0 0A"},
        {"BTLK ticked", [] { return BuildBTLK(true); }, "1B 23 23 42 54 4C 4B 01"},
        {"SBDR 38400", [] { return BuildSBDR("38400"); }, "1B 23 23 53 42 44 52 00 96 00 00"},
        // Unticked boxes.
        {"EDCD unticked", [] { return BuildEDCD(false); }, "1B 23 23 45 44 43 44 00"},
        {"BLSP unticked", [] { return BuildBLSP(false); }, "1B 23 23 42 4C 53 50 00"},
        {"BTLK unticked", [] { return BuildBTLK(false); }, "1B 23 23 42 54 4C 4B 00"},
        {"LFCH unticked 0A", [] { return BuildLFCH(false, 0); }, "1B 23 23 4C 46 43 48 0A"},
        {"LFCH unticked 0D", [] { return BuildLFCH(false, 1); }, "1B 23 23 4C 46 43 48 0A"},
        {"LFCH ticked 0D", [] { return BuildLFCH(true, 1); }, "1B 23 23 4C 46 43 48 0D"},
        {"CHTY proportional", [] { return BuildCHTY(1); }, "1B 23 23 43 48 54 59 81"},
        {"CHTY no selection", [] { return BuildCHTY(-1); }, "1B 23 23 43 48 54 59 81"},
        // Code pages and density.
        {"SLAN 00", [] { return BuildSLAN("00,PC437 [美国，欧洲标准]"); },
         "1B 23 23 53 4C 41 4E 00"},
        {"SLAN 41", [] { return BuildSLAN("41, CP1258[Vietnam]"); }, "1B 23 23 53 4C 41 4E 29"},
        {"STDP 39", [] { return BuildSTDP("39"); }, "1B 23 23 53 54 44 50 27"},
        {"STDP 0", [] { return BuildSTDP("0"); }, "1B 23 23 53 54 44 50 00"},
        {"STDP not a number", [] { return BuildSTDP("abc"); }, "1B 23 23 53 54 44 50 02"},
        {"STDP 300 cut to a byte", [] { return BuildSTDP("300"); }, "1B 23 23 53 54 44 50 2C"},
        // Aging and standby time.
        {"BDIT -1", [] { return BuildBDIT("-1"); }, "1B 23 23 42 44 49 54 FF FF FF FF"},
        {"BDIT 2^32", [] { return BuildBDIT("4294967296"); }, "1B 23 23 42 44 49 54 00 00 00 00"},
        {"BDIT leading blank", [] { return BuildBDIT(" 300"); },
         "1B 23 23 42 44 49 54 2C 01 00 00"},
        {"BDIT hex", [] { return BuildBDIT("$12C"); }, "1B 23 23 42 44 49 54 2C 01 00 00"},
        {"SPTI -1", [] { return BuildSPTI("-1"); }, "1B 23 23 53 50 54 49 FF FF FF FF"},
        {"SPTI 2^32", [] { return BuildSPTI("4294967296"); }, "1B 23 23 53 50 54 49 00 00 00 00"},
        {"SPTI hex", [] { return BuildSPTI("0x708"); }, "1B 23 23 53 50 54 49 08 07 00 00"},
        // Sensor value.
        {"SBCV trimmed", [] { return BuildSBCV("  2800 "); }, "1B 23 23 53 42 43 56 F0 0A"},
        {"SBCV x", [] { return BuildSBCV("x"); }, "1B 23 23 53 42 43 56 B8 0B"},
        {"SBCV empty", [] { return BuildSBCV(""); }, "1B 23 23 53 42 43 56 B8 0B"},
        {"SBCV 70000", [] { return BuildSBCV("70000"); }, "1B 23 23 53 42 43 56 70 11"},
        // Baud rate.
        {"SBDR not a number", [] { return BuildSBDR("fast"); }, "1B 23 23 53 42 44 52 80 25 00 00"},
        {"SBDR high byte dropped", [] { return BuildSBDR("$12345678"); },
         "1B 23 23 53 42 44 52 78 56 34 00"},
        // Serial number.
        {"STSN 202612 0001", [] { return BuildSTSN("202612", "0001"); },
         "1B 23 23 53 54 53 4E 0A 32 30 32 36 31 32 30 30 30 31"},
        {"STSN 10000", [] { return BuildSTSN("202612", "10000"); },
         "1B 23 23 53 54 53 4E 0B 32 30 32 36 31 32 31 30 30 30 30"},
        {"STSN trimmed", [] { return BuildSTSN(" 202612\t", " 5 "); },
         "1B 23 23 53 54 53 4E 07 32 30 32 36 31 32 35"},
        {"STSN empty counter", [] { return BuildSTSN("202612", ""); },
         "1B 23 23 53 54 53 4E 06 32 30 32 36 31 32"},
        // Printer name and opening message.
        {"BTRN abc", [] { return *BuildBTRN("abc"); }, "1B 23 23 42 54 52 4E 03 61 62 63"},
        {"BTRN GBK", [] { return *BuildBTRN(Bytes("D6 D0 CE C4")); },
         "1B 23 23 42 54 52 4E 04 D6 D0 CE C4"},
        {"BTRN trimmed", [] { return *BuildBTRN("  P 1\t"); }, "1B 23 23 42 54 52 4E 03 50 20 31"},
        {"opening", [] { return OpeningMessage(); }, "1D 45 43 01"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Hex(c.build()), c.expected) << c.what;
    }
}

TEST(Commands, StrictBuildersFailWithTheText) {
    const struct {
        std::function<Frame()> build;
        const char* message;
    } cases[] = {
        {[] { return BuildBDIT("abc"); }, "'abc' is not a valid integer value"},
        {[] { return BuildBDIT(""); }, "'' is not a valid integer value"},
        {[] { return BuildBDIT("300 "); }, "'300 ' is not a valid integer value"},
        {[] { return BuildSPTI("abc"); }, "'abc' is not a valid integer value"},
        {[] { return BuildSPTI(""); }, "'' is not a valid integer value"},
        {[] { return BuildSLAN("a5,whatever"); }, "'a5' is not a valid integer value"},
        {[] { return BuildSLAN(""); }, "'' is not a valid integer value"},
        {[] { return BuildSLAN("中文"); }, "'中文' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        try {
            c.build();
            ADD_FAILURE() << c.message;
        } catch (const NotAnIntegerError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(Commands, NoNameFrameForBlankNames) {
    EXPECT_FALSE(BuildBTRN("").has_value());
    EXPECT_FALSE(BuildBTRN("    ").has_value());
    EXPECT_FALSE(BuildBTRN("\t \r\n").has_value());
}

TEST(Commands, CountedTextsLongerThanTheLengthByteAreRefused) {
    EXPECT_EQ(BuildBTRN(std::string(255, 'n'))->size(), 8u + 255u);
    EXPECT_THROW(BuildBTRN(std::string(256, 'n')), NotAnIntegerError);
    EXPECT_THROW(BuildSTSN("202612", std::string(250, '1')), NotAnIntegerError);
}

TEST(Commands, BaudRateTable) {
    const struct {
        const char* item;
        const char* value;
    } rates[] = {
        {"1200", "B0 04 00 00"},   {"2400", "60 09 00 00"},   {"4800", "C0 12 00 00"},
        {"9600", "80 25 00 00"},   {"19200", "00 4B 00 00"},  {"38400", "00 96 00 00"},
        {"57600", "00 E1 00 00"},  {"115200", "00 C2 01 00"}, {"128000", "00 F4 01 00"},
        {"230400", "00 84 03 00"},
    };
    for (const auto& r : rates) {
        EXPECT_EQ(Hex(BuildSBDR(r.item)), std::string("1B 23 23 53 42 44 52 ") + r.value) << r.item;
    }
}

TEST(Commands, CodePageItemsSendTheirOwnNumberInBothLanguages) {
    const int numbers[] = {0,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
                           19, 20, 21, 22, 23, 24, 25, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41};
    for (const char* language : {op::kChinese, op::kEnglish}) {
        const auto items = op::BuildCodePageList(language);
        ASSERT_EQ(items.size(), std::size(numbers));
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Frame frame = BuildSLAN(items[i]);
            ASSERT_EQ(frame.size(), 8u) << items[i];
            EXPECT_EQ(static_cast<unsigned char>(frame[7]), numbers[i]) << items[i];
        }
        EXPECT_EQ(Hex(BuildSLAN(items[op::kDefaultCodePageIndex])), "1B 23 23 53 4C 41 4E 0F");
    }
}

ByteLists Package(std::initializer_list<std::size_t> sizes) {
    ByteLists package;
    std::uint8_t next = 0;
    for (std::size_t size : sizes) {
        auto list = std::make_unique<THfByteList>();
        for (std::size_t i = 0; i < size; ++i)
            list->Add(next++);
        package.push_back(std::move(list));
    }
    return package;
}

TEST(SelfTest, HeadersLengthAndPayload) {
    EXPECT_EQ(Hex(BuildSelfTestMessage(ByteLists(), SelfTestHeader::New).message.ToString()),
              "1B 23 23 44 4C 53 46 00 00");
    EXPECT_EQ(Hex(BuildSelfTestMessage(ByteLists(), SelfTestHeader::Old).message.ToString()),
              "1B 23 42 FA CD 87 15 00 00");
    EXPECT_EQ(Hex(BuildSelfTestMessage(Package({2, 0, 1}), SelfTestHeader::New).message.ToString()),
              "1B 23 23 44 4C 53 46 03 00 00 01 02");
    EXPECT_EQ(Hex(BuildSelfTestMessage(Package({}), SelfTestHeader::New).message.ToString()),
              "1B 23 23 44 4C 53 46 00 00");
}

TEST(SelfTest, LargestPayloadIsSentAndOneMoreIsRefused) {
    const auto largest = BuildSelfTestMessage(Package({4000, 94}), SelfTestHeader::New);
    EXPECT_FALSE(largest.Refused());
    EXPECT_EQ(largest.payloadLength, 4094u);
    EXPECT_EQ(largest.message.Count(), 4103);
    EXPECT_EQ(largest.message.Get(7), 0xFE);
    EXPECT_EQ(largest.message.Get(8), 0x0F);
    EXPECT_EQ(largest.message.Get(9), 0x00);
    EXPECT_EQ(largest.message.Get(4102), static_cast<std::uint8_t>(4093));

    const auto tooLarge = BuildSelfTestMessage(Package({4095}), SelfTestHeader::New);
    EXPECT_TRUE(tooLarge.Refused());
    EXPECT_EQ(tooLarge.payloadLength, 4095u);
}

}  // namespace
}  // namespace bpconf::protocol
