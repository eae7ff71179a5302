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

TEST(LanguageTables, AnyLanguageButExactlyChineseGivesTheEnglishTexts) {
    EXPECT_EQ(BuildCodePageList("Chinese"), BuildCodePageList(kEnglish));
    EXPECT_EQ(BuildCodePageList(""), BuildCodePageList(kEnglish));
    EXPECT_NE(BuildCodePageList(kChinese), BuildCodePageList(kEnglish));
}

TEST(LanguageTables, FontTypeItemsInEitherLanguage) {
    EXPECT_EQ(FontTypeItems(kChinese), (std::vector<std::string>{"等宽", "不等宽"}));
    EXPECT_EQ(FontTypeItems(kEnglish), (std::vector<std::string>{"Width", "Unequal width"}));
}

}  // namespace
}  // namespace bpconf::op
