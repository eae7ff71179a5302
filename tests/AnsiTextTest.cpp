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
        // One locale of each script a production line names its printers in.
        {"ru_RU.UTF-8", "CP1251"},
        {"pl_PL.UTF-8", "CP1250"},
        {"el_GR.UTF-8", "CP1253"},
        {"tr_TR.UTF-8", "CP1254"},
        {"he_IL.UTF-8", "CP1255"},
        {"ar_SA.UTF-8", "CP1256"},
        {"th_TH.UTF-8", "CP874"},
        {"vi_VN.UTF-8", "CP1258"},
        {"lt_LT.UTF-8", "CP1257"},
        {"ja_JP.UTF-8", "CP932"},
        {"ko_KR.UTF-8", "CP949"},
        {"zh_TW.UTF-8", "CP950"},
        {"zh_CN.UTF-8", "CP936"},
        {"zh", "CP936"},
        {"en_US.UTF-8", "CP1252"},
        // Chinese: the territory decides between simplified and traditional.
        {"zh_SG.UTF-8", "CP936"},
        {"zh_CN.GB18030", "CP936"},
        {"zh_HK.UTF-8", "CP950"},
        {"zh_MO.UTF-8", "CP950"},
        {"zh_TW", "CP950"},
        // The script modifier decides where a language is written in two.
        {"sr_RS@latin", "CP1250"},
        {"sr_RS.UTF-8@latin", "CP1250"},
        {"sr_RS.UTF-8", "CP1251"},
        {"sr_ME", "CP1251"},
        {"uz_UZ.UTF-8", "CP1254"},
        {"uz_UZ@cyrillic", "CP1251"},
        {"de_DE.UTF-8@euro", "CP1252"},
        // More of each group.
        {"cs_CZ.UTF-8", "CP1250"},
        {"hu_HU", "CP1250"},
        {"sk_SK.UTF-8", "CP1250"},
        {"sl_SI.UTF-8", "CP1250"},
        {"hr_HR.UTF-8", "CP1250"},
        {"ro_RO.UTF-8", "CP1250"},
        {"sq_AL.UTF-8", "CP1250"},
        {"bs_BA.UTF-8", "CP1250"},
        {"uk_UA.UTF-8", "CP1251"},
        {"be_BY.UTF-8", "CP1251"},
        {"bg_BG.UTF-8", "CP1251"},
        {"mk_MK.UTF-8", "CP1251"},
        {"kk_KZ.UTF-8", "CP1251"},
        {"ky_KG.UTF-8", "CP1251"},
        {"tt_RU.UTF-8", "CP1251"},
        {"mn_MN.UTF-8", "CP1251"},
        {"az_AZ.UTF-8", "CP1254"},
        {"fa_IR.UTF-8", "CP1256"},
        {"ur_PK.UTF-8", "CP1256"},
        {"lv_LV.UTF-8", "CP1257"},
        {"et_EE.UTF-8", "CP1257"},
        {"ja", "CP932"},
        {"ko_KR.EUC-KR", "CP949"},
        {"de_DE.UTF-8", "CP1252"},
        {"nb_NO.UTF-8", "CP1252"},
        {"fr_CA", "CP1252"},
        // No language or an unknown one: Western.
        {"C", "CP1252"},
        {"C.UTF-8", "CP1252"},
        {"POSIX", "CP1252"},
        {"", "CP1252"},
        {"xx_YY.UTF-8", "CP1252"},
        {"hi_IN.UTF-8", "CP1252"},
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
TEST(AnsiText, CodePageVariablesAreLcAllThenLcCtypeThenLang) {
    test::ScopedEnv all("LC_ALL", "ru_RU.UTF-8");
    test::ScopedEnv ctype("LC_CTYPE", "el_GR.UTF-8");
    test::ScopedEnv lang("LANG", "ja_JP.UTF-8");
    test::ScopedEnv messages("LC_MESSAGES", "tr_TR.UTF-8");  // the interface language only
    EXPECT_EQ(UserAnsiCodePage(), "CP1251");
    test::ScopedEnv noAll("LC_ALL", "");
    EXPECT_EQ(UserAnsiCodePage(), "CP1253");
    test::ScopedEnv noCtype("LC_CTYPE", nullptr);
    EXPECT_EQ(UserAnsiCodePage(), "CP932");
    test::ScopedEnv noLang("LANG", nullptr);
    EXPECT_EQ(UserAnsiCodePage(), "CP1252");
}

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
