// The two interface languages: the caption table of the window and the code-page list.
#pragma once

#include <string>
#include <vector>

#include "operator/Form.h"

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

// One row of the caption table: a control and its captions.
struct CaptionRow {
    Control control;
    const char* chinese;           // after a switch to Chinese
    const char* english;           // after a switch to English; nullptr: the switch leaves it
    const char* design = nullptr;  // the caption the window opens with, when not the Chinese one
    const char* Design() const { return design != nullptr ? design : chinese; }
};

// Every caption of the window in one table: the ones it opens with and the two columns of the
// language switch. Form stands for the window caption. The items of ComboBox3 are in
// FontTypeItems.
const std::vector<CaptionRow>& CaptionTable();

std::vector<std::string> FontTypeItems(const std::string& interfaceLanguage);

}  // namespace bpconf::op
