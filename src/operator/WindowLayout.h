// The window described once, for every window that renders it (the Qt window, the Win32 window):
// each control of the design with its kind, its parent and its place, in creation order (a
// control created earlier lies underneath a later one).
#pragma once

#include <vector>

#include "operator/Form.h"

namespace bpconf::op {

enum class ControlKind {
    GroupBox,
    RadioButton,
    DropDownList,
    Button,
    PageControl,
    TabPage,
    CheckBox,
    EditBox,
    Label,
    UnitLabel,  // a small label with a fixed text beside an edit box ("s", "mV"), no design name
    DatePicker,
    LogPane,
    ProgressBar,
    StatusPanel,
};

struct ControlPlace {
    Control control;  // ctl::kCount for a unit label
    ControlKind kind;
    Control parent;  // ctl::Form: the window itself
    int x, y, width, height;
    const char* text = nullptr;  // the fixed text of a unit label
};

// The window: client area, place on the screen, fonts.
inline constexpr int kWindowWidth = 411;
inline constexpr int kWindowHeight = 544;
inline constexpr int kWindowLeft = 503;
inline constexpr int kWindowTop = 150;
inline constexpr const char* kWindowFont = "Tahoma";
inline constexpr int kWindowFontPixels = 11;  // character height
inline constexpr int kLogFontPixels = 12;
inline constexpr int kUnitsFontPixels = 16;  // txtUpdateOverNum
inline constexpr int kCodePageRows = 16;     // cboLanage shows 16 items at once

const std::vector<ControlPlace>& WindowLayout();

// Radio buttons that exclude each other.
const std::vector<std::vector<Control>>& RadioGroups();

}  // namespace bpconf::op
