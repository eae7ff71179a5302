// The window's design: every caption, item list and default that the window has before its
// creation handler runs. Both the Qt window and the in-memory form start from it.
#pragma once

#include <string>
#include <vector>

#include "operator/Form.h"

namespace bpconf::op {

// Items of the drop-down lists.
std::vector<std::string> DensityItems();   // "0" … "39"
std::vector<std::string> BaudRateItems();  // "1200" … "230400"

// Controls whose text is limited to a number of characters typed (Edit2 has no limit).
struct TextLimit {
    Control control;
    int maxLength;
};
const std::vector<TextLimit>& TextLimits();

// The edit boxes' texts: in the design, and set again when the window is created.
struct EditDefault {
    Control control;
    const char* text;
};
const std::vector<EditDefault>& EditDefaults();

void ApplyDesign(IForm& form);

}  // namespace bpconf::op
