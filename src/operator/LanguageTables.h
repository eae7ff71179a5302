// The two interface languages: the caption table of the window and the code-page list.
#pragma once

#include <string>
#include <vector>

namespace bpconf::op {

inline constexpr const char* kChinese = "chinese";
inline constexpr const char* kEnglish = "english";

// Every language-dependent text is chosen by one test: exactly "chinese" gives the Chinese text.
inline bool IsChinese(const std::string& interfaceLanguage) {
    return interfaceLanguage == kChinese;
}
inline const char* Pick(const std::string& interfaceLanguage, const char* chinese,
                        const char* english) {
    return IsChinese(interfaceLanguage) ? chinese : english;
}

// The 35 code-page items (index 0 .. 34), each starting with the two-digit code SLAN sends.
std::vector<std::string> BuildCodePageList(const std::string& interfaceLanguage);

// Index of the item with code 15 (CP936) in either list: the default selection.
inline constexpr int kDefaultCodePageIndex = 14;

// One row of the caption table: the control's object name and its two captions.
struct CaptionRow {
    const char* control;
    const char* chinese;
    const char* english;
};

// The caption table applied by a language switch. "Form" stands for the window caption and
// "StatusBar1.Panel0" for the fixed label of the status bar's first panel. The items of
// ComboBox3 are in FontTypeItems.
const std::vector<CaptionRow>& CaptionTable();

// The version the switch puts into the window caption.
inline constexpr const char* kSwitchedVersion = "V1.7";

std::vector<std::string> FontTypeItems(const std::string& interfaceLanguage);

}  // namespace bpconf::op
