// The window's design: every caption, item list and default that the window has before its
// creation handler runs. Both the Qt window and the in-memory form start from it.
#pragma once

#include <string>
#include <vector>

#include "operator/Form.h"

namespace bpconf::op {

inline constexpr const char* kDesignCaption = "蓝牙打印机配置文件下载工具 V1.0";

// Items of the drop-down lists.
std::vector<std::string> DensityItems();   // "0" … "39"
std::vector<std::string> BaudRateItems();  // "1200" … "230400"

// Controls whose text is limited to a number of characters typed (Edit2 has no limit).
struct TextLimit {
    const char* control;
    int maxLength;
};
const std::vector<TextLimit>& TextLimits();

void ApplyDesign(IForm& form);

}  // namespace bpconf::op
