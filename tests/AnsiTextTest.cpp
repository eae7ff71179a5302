#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

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
        // A name in each code page's script; then a character the code page lacks, which is
        // '?' and never a look-alike (Windows' best fit would write "n" for ñ, "L" for Ł, "\"
        // for ¥ in CP932).
        {"CP1251", "Принтер", "CF F0 E8 ED F2 E5 F0"},
        {"CP1251", "ЇҐ", "AF A5"},
        {"CP1251", "Ω", "3F"},
        {"CP1250", "Łódź", "A3 F3 64 9F"},
        {"CP1250", "ñ", "3F"},
        {"CP1253", "Εκτυπωτής", "C5 EA F4 F5 F0 F9 F4 DE F2"},
        {"CP1253", "Ж", "3F"},
        {"CP1254", "Yazıcı ğŞ", "59 61 7A FD 63 FD 20 F0 DE"},
        {"CP1254", "ā", "3F"},
        {"CP1255", "מדפסת", "EE E3 F4 F1 FA"},
        {"CP1255", "ش", "3F"},
        {"CP1256", "طابعة پ", "D8 C7 C8 DA C9 20 81"},
        {"CP1256", "ש", "3F"},
        {"CP874", "เครื่องพิมพ์", "E0 A4 C3 D7 E8 CD A7 BE D4 C1 BE EC"},
        {"CP874", "é", "3F"},
        {"CP1257", "ąčęėįšųūž", "E0 E8 E6 EB E1 F0 F8 FB FE"},
        {"CP1257", "ñ", "3F"},
        {"CP1258", "Máy in đơư", "4D E1 79 20 69 6E 20 F0 F5 FD"},
        // A Vietnamese letter CP1258 has no single code for: '?', never base letter and tone
        // mark; typed as base letter and tone mark, both are sent.
        {"CP1258", "ẹ", "3F"},
        {"CP1258", "e\xCC\xA3", "65 F2"},
        {"CP932", "日本プリンタ", "93 FA 96 7B 83 76 83 8A 83 93 83 5E"},
        {"CP932", "ｱ", "B1"},
        {"CP932", "¥", "3F"},
        {"CP932", "한", "3F"},
        {"CP949", "한국", "C7 D1 B1 B9"},
        {"CP949", "ก", "3F"},
        {"CP950", "中文", "A4 A4 A4 E5"},
        {"CP950", "们", "3F"},
        {"CP936", "中文", "D6 D0 CE C4"},
        {"CP936", "abc", "61 62 63"},
        {"CP936", "한", "3F"},
        {"CP1252", "Café Müller €", "43 61 66 E9 20 4D FC 6C 6C 65 72 20 80"},
        {"CP1252", "Ł", "3F"},
        {"CP1252", "中", "3F"},
        // Beyond U+FFFF: one '?' for each of its two UTF-16 units.
        {"CP1251", "a😀b", "61 3F 3F 62"},
        {"CP1250", "😀", "3F 3F"},
        {"CP1252", "😀", "3F 3F"},
        {"CP1253", "😀", "3F 3F"},
        {"CP1254", "😀", "3F 3F"},
        {"CP1255", "😀", "3F 3F"},
        {"CP1256", "😀", "3F 3F"},
        {"CP1257", "😀", "3F 3F"},
        {"CP1258", "😀", "3F 3F"},
        {"CP874", "😀", "3F 3F"},
        {"CP932", "😀", "3F 3F"},
        {"CP936", "中😀", "D6 D0 3F 3F"},
        {"CP949", "😀", "3F 3F"},
        {"CP950", "𠀀", "3F 3F"},  // U+20000, an ideograph Big5 never had
        // Codes Windows gives beyond the common tables: C1 controls in unassigned single bytes,
        // the user-defined areas as Private Use, CP950's own box-drawing codes.
        {"CP1252", "\xC2\x81", "81"},
        {"CP1251", "\xC2\x98", "98"},
        {"CP936", "\xEE\x80\x80", "AA A1"},
        {"CP949", "\xEE\x80\x80", "C9 A1"},
        {"CP950", "\xEE\x80\x80", "FA 40"},
        {"CP932", "\xEE\x80\x80", "F0 40"},
        {"CP950", "═", "F9 F9"},
        // Bytes that are not UTF-8: one '?' each, and the text after them is kept.
        {"CP936",
         "a\xFF"
         "b",
         "61 3F 62"},
        {"CP1251",
         "\xE4\xB8"
         "b",
         "3F 3F 62"},
        {"CP1252", "\x80", "3F"},
        {"CP1252", "\xC0\xAF", "3F 3F"},                // overlong '/'
        {"CP1252", "\xED\xA0\x80", "3F 3F 3F"},         // a surrogate
        {"CP1252", "\xF4\x90\x80\x80", "3F 3F 3F 3F"},  // beyond U+10FFFF
        {"CP932", "\xE6\x97", "3F 3F"},                 // cut short at the end
        {"CP936", std::string("a\0b", 3), "61 00 62"},
        {"CP1252", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(test::Hex(Utf8ToCodePage(c.utf8, c.codePage)), c.bytes)
            << c.codePage << " " << test::Hex(c.utf8);
    }
}

TEST(AnsiText, CodePageBytesBackToUtf8) {
    EXPECT_EQ(CodePageToUtf8(test::Bytes("D6 D0 CE C4"), "CP936"), "中文");
    EXPECT_EQ(CodePageToUtf8(test::Bytes("CF F0 E8 ED F2 E5 F0"), "CP1251"), "Принтер");
    EXPECT_EQ(CodePageToUtf8(test::Bytes("A4 A4 A4 E5"), "CP950"), "中文");
    // Codes of Windows' tables beyond the common ones.
    EXPECT_EQ(test::Hex(CodePageToUtf8(test::Bytes("61 81"), "CP1252")), "61 C2 81");
    EXPECT_EQ(test::Hex(CodePageToUtf8(test::Bytes("AA A1 41"), "CP936")), "EE 80 80 41");
    EXPECT_EQ(test::Hex(CodePageToUtf8(test::Bytes("AA"), "CP1253")), "EF A3 B9");
}

TEST(AnsiText, CodePageTheSystemCannotConvertToIsAnError) {
    for (const std::string text : {"abc", ""}) {
        try {
            Utf8ToCodePage(text, "CP99999");
            ADD_FAILURE() << "no error for \"" << text << "\"";
        } catch (const std::runtime_error& e) {
            const std::string what = e.what();
            const std::string start = "Text cannot be converted to code page CP99999: ";
            EXPECT_EQ(what.substr(0, start.size()), start);
            EXPECT_GT(what.size(), start.size()) << "the system's reason is missing";
        }
    }
    try {
        CodePageToUtf8("abc", "CP99999");
        ADD_FAILURE() << "no error reading CP99999";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("code page CP99999: "), std::string::npos) << e.what();
    }
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

TEST(AnsiText, NameInTheCodePageOfTheUserLocale) {
    const struct {
        const char* locale;
        const char* utf8;
        const char* bytes;
    } cases[] = {
        {"zh_CN.UTF-8", "中文", "D6 D0 CE C4"},
        {"zh", "中文", "D6 D0 CE C4"},
        {"zh_CN.UTF-8", "😀", "3F 3F"},
        {"zh_TW.UTF-8", "中文", "A4 A4 A4 E5"},
        {"ru_RU.UTF-8", "Принтер", "CF F0 E8 ED F2 E5 F0"},
        {"sr_RS@latin", "Štampač", "8A 74 61 6D 70 61 E8"},
        {"sr_RS.UTF-8", "Штампач", "D8 F2 E0 EC EF E0 F7"},
        {"he_IL.UTF-8", "מדפסת", "EE E3 F4 F1 FA"},
        {"en_US.UTF-8", "中文", "3F 3F"},
        {"C", "Ω", "3F"},
    };
    test::ScopedEnv ctype("LC_CTYPE", nullptr);
    test::ScopedEnv lang("LANG", nullptr);
    for (const auto& c : cases) {
        test::ScopedEnv all("LC_ALL", c.locale);
        EXPECT_EQ(test::Hex(Utf8ToAnsi(c.utf8)), c.bytes) << c.locale << " " << c.utf8;
    }
}
#endif

}  // namespace
}  // namespace bpconf::platform
