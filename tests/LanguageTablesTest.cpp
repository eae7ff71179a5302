#include <gtest/gtest.h>

#include <set>
#include <string>

#include "operator/LanguageTables.h"

namespace bpconf::op {
namespace {

TEST(LanguageTables, CodePageListsHave35ItemsWithTheSameCodes) {
    const auto chinese = BuildCodePageList(kChinese);
    const auto english = BuildCodePageList(kEnglish);
    ASSERT_EQ(chinese.size(), 35u);
    ASSERT_EQ(english.size(), 35u);
    for (std::size_t i = 0; i < 35; ++i) {
        EXPECT_EQ(chinese[i].substr(0, 3), english[i].substr(0, 3)) << i;
    }
    EXPECT_EQ(chinese[kDefaultCodePageIndex], "15,CP936 [简体中文]");
    EXPECT_EQ(english[kDefaultCodePageIndex], "15, CP936 [simplified Chinese]");
}

TEST(LanguageTables, TextsExactlyAsTheOperatorSeesThem) {
    const auto english = BuildCodePageList(kEnglish);
    EXPECT_EQ(english[0], "00, PC437 [American, European standard]");
    EXPECT_EQ(english[4], "05, PC865 Nordic German, Germanic]");
    EXPECT_EQ(english[9], "10, Iran Iran[]");
    EXPECT_EQ(english[26], "33, the CP1250[central Latin-2]");
    EXPECT_EQ(english[34], "41, CP1258[Vietnam]");
    const auto chinese = BuildCodePageList(kChinese);
    EXPECT_EQ(chinese[0], "00,PC437 [美国，欧洲标准]");
    EXPECT_EQ(chinese[26], "33,CP1250[中欧 Latin-2 ]");
    // Any value but exactly "chinese" gives English.
    EXPECT_EQ(BuildCodePageList("Chinese"), english);
    EXPECT_EQ(BuildCodePageList(""), english);
}

TEST(LanguageTables, CaptionTableCoversEveryTranslatedControlOnce) {
    std::set<std::string> controls;
    for (const auto& row : CaptionTable()) {
        EXPECT_TRUE(controls.insert(row.control).second) << row.control;
    }
    EXPECT_EQ(controls.size(), 26u);
    auto find = [](const std::string& name) {
        for (const auto& row : CaptionTable()) {
            if (row.control == name)
                return row;
        }
        return CaptionRow{"", "", ""};
    };
    EXPECT_STREQ(find("Form").chinese, "蓝牙打印机配置文件下载工具  V1.7");
    EXPECT_STREQ(find("Form").english, "Bluetooth printer configuration tool V1.7");
    EXPECT_STREQ(find("CheckBox1").english, "language: ");
    EXPECT_STREQ(find("CheckBox8").english, "he update check information");
    EXPECT_STREQ(find("Button4").chinese, "退出");
    EXPECT_STREQ(find("Button5").chinese, "English");
    EXPECT_STREQ(find("Button5").english, "Chinese");
    EXPECT_EQ(FontTypeItems(kChinese), (std::vector<std::string>{"等宽", "不等宽"}));
    EXPECT_EQ(FontTypeItems(kEnglish), (std::vector<std::string>{"Width", "Unequal width"}));
}

}  // namespace
}  // namespace bpconf::op
