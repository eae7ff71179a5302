#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "protocol/Commands.h"
#include "protocol/Decoder.h"
#include "protocol/SelfTestMessage.h"

namespace bpconf::protocol {
namespace {

using test::Bytes;

TEST(Decoder, DescribesEachMessageOfAStream) {
    std::string stream = OpeningMessage() + BuildSTDP("28") + BuildBDIT("300") +
                         BuildLFCH(true, 0) + BuildEDCD(true) + BuildBLSP(false) + BuildCHTY(0) +
                         BuildSTSN("202612", "0001") + BuildSBCV("2800") + BuildBTLK(true) +
                         BuildSBDR("115200") + *BuildBTRN(Bytes("D6 D0 22")) + BuildSLAN("00,") +
                         BuildSPTI("1800");
    ByteLists package;
    package.push_back(std::make_unique<THfByteList>(std::vector<std::uint8_t>(4094, 0x55)));
    stream += BuildSelfTestMessage(package, SelfTestHeader::New).message.ToString();
    stream += BuildSelfTestMessage(ByteLists(), SelfTestHeader::Old).message.ToString();
    EXPECT_EQ(DescribeAll(Decode(stream)),
              "OPEN\n"
              "STDP 28\n"
              "BDIT 300\n"
              "LFCH 0A\n"
              "EDCD 1\n"
              "BLSP 0\n"
              "CHTY 82\n"
              "STSN \"2026120001\"\n"
              "SBCV 2800\n"
              "BTLK 1\n"
              "SBDR 115200\n"
              "BTRN \"\\xD6\\xD0\\x22\"\n"
              "SLAN 0\n"
              "SPTI 1800\n"
              "DLSF new 4094 bytes\n"
              "DLSF old 0 bytes\n");
}

TEST(Decoder, ReportsBytesItCannotAccountFor) {
    const struct {
        std::string bytes;
        const char* described;
    } cases[] = {
        {"", ""},
        {"ABC", "?? 3 bytes at offset 0: 41 42 43\n"},
        {OpeningMessage() + "xy" + BuildEDCD(true),
         "OPEN\n?? 2 bytes at offset 4: 78 79\nEDCD 1\n"},
        // A frame cut short is no message.
        {Bytes("1B 23 23 53 54 44 50"), "?? 7 bytes at offset 0: 1B 23 23 53 54 44 50\n"},
        {Bytes("1B 23 23 53 54 53 4E 05 31 32"),
         "?? 10 bytes at offset 0: 1B 23 23 53 54 53 4E 05 31 32\n"},
        {Bytes("1B 23 23 44 4C 53 46 02 00 AA"),
         "?? 10 bytes at offset 0: 1B 23 23 44 4C 53 46 02 00 AA\n"},
        // An unknown code, then a real frame.
        {Bytes("1B 23 23 41 42 43 44 01") + BuildBTLK(false),
         "?? 8 bytes at offset 0: 1B 23 23 41 42 43 44 01\nBTLK 0\n"},
        {std::string(20, '\xEE'),
         "?? 20 bytes at offset 0: EE EE EE EE EE EE EE EE EE EE EE EE EE EE EE EE ...\n"},
        // A job of one NUL byte is the run's delivery check; a NUL among other bytes is not.
        {Bytes("00"), "PROBE\n"},
        {Bytes("00 00"), "?? 2 bytes at offset 0: 00 00\n"},
        {BuildBTLK(true) + Bytes("00"), "BTLK 1\n?? 1 bytes at offset 8: 00\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DescribeAll(Decode(c.bytes)), c.described) << test::Hex(c.bytes);
    }
}

TEST(Decoder, OffsetsAndRawBytes) {
    const std::string stream = OpeningMessage() + BuildSBCV("70000") + "\x01";
    const auto messages = Decode(stream);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].offset, 0u);
    EXPECT_EQ(messages[1].offset, 4u);
    EXPECT_EQ(messages[1].number, 0x1170u);
    EXPECT_EQ(messages[1].raw, BuildSBCV("70000"));
    EXPECT_EQ(messages[2].kind, MessageKind::Unknown);
    EXPECT_EQ(messages[2].offset, 13u);
}

// Builds every message from many random values, decodes the concatenation and checks that each
// value comes back.
TEST(Decoder, RoundTripOfRandomMessages) {
    std::mt19937 rng(20261207);
    auto pick = [&](std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); };
    for (int round = 0; round < 300; ++round) {
        std::string stream;
        std::vector<std::string> expected;
        const int count = 1 + static_cast<int>(pick(20));
        for (int i = 0; i < count; ++i) {
            const std::uint32_t n32 = rng();
            switch (pick(15)) {
                case 0:
                    stream += OpeningMessage();
                    expected.push_back("OPEN");
                    break;
                case 1: {
                    const int cp = static_cast<int>(pick(100));
                    char item[8];
                    std::snprintf(item, sizeof item, "%02d,x", cp);
                    stream += BuildSLAN(item);
                    expected.push_back("SLAN " + std::to_string(cp));
                    break;
                }
                case 2:
                    stream += BuildSTDP(std::to_string(n32 % 256));
                    expected.push_back("STDP " + std::to_string(n32 % 256));
                    break;
                case 3:
                    stream += BuildBDIT(std::to_string(n32));
                    expected.push_back("BDIT " + std::to_string(n32));
                    break;
                case 4: {
                    const bool cr = pick(2);
                    stream += BuildLFCH(true, cr ? 1 : 0);
                    expected.push_back(cr ? "LFCH 0D" : "LFCH 0A");
                    break;
                }
                case 5: {
                    const bool on = pick(2);
                    stream += BuildEDCD(on);
                    expected.push_back(on ? "EDCD 1" : "EDCD 0");
                    break;
                }
                case 6: {
                    const bool on = pick(2);
                    stream += BuildBLSP(on);
                    expected.push_back(on ? "BLSP 1" : "BLSP 0");
                    break;
                }
                case 7:
                    stream += BuildSPTI(std::to_string(n32));
                    expected.push_back("SPTI " + std::to_string(n32));
                    break;
                case 8: {
                    const bool fixed = pick(2);
                    stream += BuildCHTY(fixed ? 0 : 1);
                    expected.push_back(fixed ? "CHTY 82" : "CHTY 81");
                    break;
                }
                case 9: {
                    const std::string counter = std::to_string(pick(100000));
                    stream += BuildSTSN("202612", counter);
                    expected.push_back("STSN \"202612" + counter + "\"");
                    break;
                }
                case 10:
                    stream += BuildSBCV(std::to_string(n32 % 65536));
                    expected.push_back("SBCV " + std::to_string(n32 % 65536));
                    break;
                case 11: {
                    const bool on = pick(2);
                    stream += BuildBTLK(on);
                    expected.push_back(on ? "BTLK 1" : "BTLK 0");
                    break;
                }
                case 12:
                    stream += BuildSBDR(std::to_string(n32 % 0x1000000));
                    expected.push_back("SBDR " + std::to_string(n32 % 0x1000000));
                    break;
                case 13: {
                    std::string name;
                    const std::uint32_t len = 1 + pick(16);
                    for (std::uint32_t k = 0; k < len; ++k)
                        name += static_cast<char>('a' + pick(26));
                    stream += *BuildBTRN(name);
                    expected.push_back("BTRN \"" + name + "\"");
                    break;
                }
                case 14: {
                    ByteLists package;
                    package.push_back(std::make_unique<THfByteList>(
                        std::vector<std::uint8_t>(pick(4095), static_cast<std::uint8_t>(n32))));
                    const bool old = pick(2);
                    const auto m = BuildSelfTestMessage(
                        package, old ? SelfTestHeader::Old : SelfTestHeader::New);
                    stream += m.message.ToString();
                    expected.push_back(std::string("DLSF ") + (old ? "old " : "new ") +
                                       std::to_string(m.payloadLength) + " bytes");
                    break;
                }
            }
        }
        const auto decoded = Decode(stream);
        std::vector<std::string> described;
        std::size_t total = 0;
        for (const auto& m : decoded) {
            described.push_back(Describe(m));
            total += m.raw.size();
        }
        ASSERT_EQ(described, expected) << "round " << round;
        EXPECT_EQ(total, stream.size());
    }
}

}  // namespace
}  // namespace bpconf::protocol
