#include <gtest/gtest.h>

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

TEST(LanguageTables, FontTypeItemsInEitherLanguage) {
    EXPECT_EQ(FontTypeItems(kChinese), (std::vector<std::string>{"等宽", "不等宽"}));
    EXPECT_EQ(FontTypeItems(kEnglish), (std::vector<std::string>{"Width", "Unequal width"}));
}

}  // namespace
}  // namespace bpconf::op
