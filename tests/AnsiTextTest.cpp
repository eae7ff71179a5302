#include <gtest/gtest.h>

#include <cstdlib>

#include "Doubles.h"
#include "TestSupport.h"
#include "platform/AnsiText.h"
#include "platform/Environment.h"

namespace bpconf::platform {
namespace {

TEST(AnsiText, CodePageOfLocale) {
    const struct {
        const char* locale;
        const char* codePage;
    } cases[] = {
        {"zh_CN.UTF-8", "CP936"}, {"zh_SG.UTF-8", "CP936"},  {"zh_CN", "CP936"},
        {"zh_TW.UTF-8", "CP950"}, {"zh_HK.UTF-8", "CP950"},  {"ja_JP.UTF-8", "CP932"},
        {"ko_KR.UTF-8", "CP949"}, {"en_US.UTF-8", "CP1252"}, {"de_DE.UTF-8", "CP1252"},
        {"C", "CP1252"},          {"POSIX", "CP1252"},       {"", "CP1252"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnsiCodePageForLocale(c.locale), c.codePage) << c.locale;
    }
}

TEST(AnsiText, ConversionTable) {
    const struct {
        const char* codePage;
        std::string utf8;
        const char* bytes;
    } cases[] = {
        {"CP936", "中文", "D6 D0 CE C4"},
        {"CP936", "abc", "61 62 63"},
        {"CP950", "中文", "A4 A4 A4 E5"},
        {"CP932", "日本", "93 FA 96 7B"},
        {"CP1252", "café", "63 61 66 E9"},
        {"CP1252", "中", "3F"},  // not in the code page
        {"CP936",
         "a\xFF"
         "b",
         "61 3F 62"},  // not UTF-8
        {"CP936", std::string("a\0b", 3), "61 00 62"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(test::Hex(Utf8ToCodePage(c.utf8, c.codePage)), c.bytes) << c.codePage;
    }
    EXPECT_EQ(CodePageToUtf8(test::Bytes("D6 D0 CE C4"), "CP936"), "中文");
}

TEST(AnsiText, LocaleFromEnvironmentTakesTheFirstVariableThatIsSet) {
    test::ScopedEnv a("BPCONF_TEST_LOCALE_A", nullptr);
    test::ScopedEnv b("BPCONF_TEST_LOCALE_B", "ru_RU.UTF-8");
    test::ScopedEnv c("BPCONF_TEST_LOCALE_C", "el_GR.UTF-8");
    EXPECT_EQ(LocaleFromEnvironment(
                  {"BPCONF_TEST_LOCALE_A", "BPCONF_TEST_LOCALE_B", "BPCONF_TEST_LOCALE_C"}),
              "ru_RU.UTF-8");
    EXPECT_EQ(LocaleFromEnvironment({"BPCONF_TEST_LOCALE_C", "BPCONF_TEST_LOCALE_B"}),
              "el_GR.UTF-8");
    {
        test::ScopedEnv empty("BPCONF_TEST_LOCALE_B", "");
        EXPECT_EQ(LocaleFromEnvironment(
                      {"BPCONF_TEST_LOCALE_A", "BPCONF_TEST_LOCALE_B", "BPCONF_TEST_LOCALE_C"}),
                  "el_GR.UTF-8");
    }
    EXPECT_EQ(LocaleFromEnvironment({"BPCONF_TEST_LOCALE_A"}), "C");
}

#ifndef _WIN32
TEST(AnsiText, UserLocaleChoosesTheCodePage) {
    {
        test::ScopedEnv all("LC_ALL", "zh_CN.UTF-8");
        EXPECT_EQ(test::Hex(Utf8ToAnsi("中文")), "D6 D0 CE C4");
    }
    test::ScopedEnv all("LC_ALL", "en_US.UTF-8");
    EXPECT_EQ(test::Hex(Utf8ToAnsi("中文")), "3F 3F");
}
#endif

}  // namespace
}  // namespace bpconf::platform
