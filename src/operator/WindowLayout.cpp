#include "operator/WindowLayout.h"

namespace bpconf::op {

const std::vector<ControlPlace>& WindowLayout() {
    using namespace ctl;
    using K = ControlKind;
    static const std::vector<ControlPlace> kLayout = {
        {GroupBox1, K::GroupBox, Form, 9, 2, 393, 57},
        {rdbDriver, K::RadioButton, GroupBox1, 8, 24, 120, 20},
        {cmbDriver, K::DropDownList, GroupBox1, 128, 23, 114, 22},
        {Button1, K::Button, GroupBox1, 246, 21, 70, 26},
        {Button2, K::Button, GroupBox1, 318, 21, 70, 26},
        {rdbLpt, K::RadioButton, GroupBox1, 8, 24, 100, 20},
        {cmbLpt, K::DropDownList, GroupBox1, 110, 23, 70, 22},
        {rdbCom, K::RadioButton, GroupBox1, 8, 24, 100, 20},
        {cmbCom, K::DropDownList, GroupBox1, 110, 23, 70, 22},
        {Panel5, K::Label, GroupBox1, 190, 24, 50, 20},
        {cmbBaudRate, K::DropDownList, GroupBox1, 240, 23, 70, 22},
        {cmbShareHand, K::DropDownList, GroupBox1, 310, 23, 80, 22},
        {RadioButton1, K::RadioButton, GroupBox1, 200, 4, 60, 16},
        {RadioButton2, K::RadioButton, GroupBox1, 260, 4, 60, 16},
        // The stamp label sits on the window behind the log pane.
        {lblNoYearMonth, K::Label, Form, 20, 250, 60, 16},
        {PageControl1, K::PageControl, Form, 9, 62, 393, 146},
        {TabSheet1, K::TabPage, PageControl1, 0, 0, 0, 0},
        {TabSheet2, K::TabPage, PageControl1, 0, 0, 0, 0},
        {TabSheet3, K::TabPage, PageControl1, 0, 0, 0, 0},
        {CheckBox1, K::CheckBox, TabSheet1, 6, 6, 84, 20},
        {cboLanage, K::DropDownList, TabSheet1, 90, 5, 290, 22},
        {CheckBox2, K::CheckBox, TabSheet1, 6, 29, 110, 20},
        {cboLevel, K::DropDownList, TabSheet1, 116, 28, 50, 22},
        {CheckBox13, K::CheckBox, TabSheet1, 180, 29, 100, 20},
        {ComboBox3, K::DropDownList, TabSheet1, 280, 28, 100, 22},
        {CheckBox5, K::CheckBox, TabSheet1, 6, 52, 118, 20},
        {Edit1, K::EditBox, TabSheet1, 124, 51, 54, 22},
        {CheckBox11, K::CheckBox, TabSheet1, 180, 52, 100, 20},
        {Edit3, K::EditBox, TabSheet1, 280, 51, 64, 22},
        {kCount, K::UnitLabel, TabSheet1, 348, 52, 24, 20, "s"},
        {CheckBox7, K::CheckBox, TabSheet1, 6, 75, 124, 20},
        {Edit2, K::EditBox, TabSheet1, 130, 74, 44, 22},
        {kCount, K::UnitLabel, TabSheet1, 176, 75, 24, 20, "mV"},
        {CheckBox6, K::CheckBox, TabSheet1, 204, 75, 180, 20},
        {CheckBox10, K::CheckBox, TabSheet1, 6, 98, 110, 20},
        {cboNewCom, K::DropDownList, TabSheet1, 116, 97, 80, 22},
        {Label5, K::Label, TabSheet1, 200, 98, 90, 20},
        {CheckBox3, K::CheckBox, TabSheet2, 6, 6, 200, 20},
        {CheckBox9, K::CheckBox, TabSheet2, 6, 32, 124, 20},
        {ComboBox2, K::DropDownList, TabSheet2, 130, 31, 60, 22},
        {CheckBox4, K::CheckBox, TabSheet2, 6, 58, 260, 20},
        {CheckBox12, K::CheckBox, TabSheet2, 6, 84, 90, 20},
        {Edit4, K::EditBox, TabSheet2, 96, 83, 64, 22},
        {kCount, K::UnitLabel, TabSheet2, 164, 84, 24, 20, "s"},
        {chkUpdateNo, K::CheckBox, TabSheet3, 6, 10, 130, 20},
        {DTPUpdateNo, K::DatePicker, TabSheet3, 136, 9, 90, 22},
        {txtUpdateNo, K::EditBox, TabSheet3, 232, 9, 60, 22},
        {Label4, K::Label, TabSheet3, 6, 44, 200, 24},
        {txtUpdateOverNum, K::EditBox, TabSheet3, 72, 44, 60, 24},
        {CheckBox8, K::CheckBox, Form, 9, 212, 200, 20},
        {Memo1, K::LogPane, Form, 9, 234, 393, 238},
        {ProgressBar1, K::ProgressBar, Form, 9, 481, 175, 22},
        // Button3 is wider than the others: "start update" needs the room.
        {Button3, K::Button, Form, 188, 478, 82, 28},
        {Button4, K::Button, Form, 274, 478, 62, 28},
        {Button5, K::Button, Form, 340, 478, 62, 28},
        // The two panels of the status bar (28 high at the bottom of the window).
        {StatusPanel0, K::StatusPanel, Form, 0, 516, 80, 28},
        {StatusPanel1, K::StatusPanel, Form, 80, 516, 331, 28},
    };
    return kLayout;
}

const std::vector<std::vector<Control>>& RadioGroups() {
    static const std::vector<std::vector<Control>> kGroups = {
        {ctl::rdbDriver, ctl::rdbLpt, ctl::rdbCom}, {ctl::RadioButton1, ctl::RadioButton2}};
    return kGroups;
}

}  // namespace bpconf::op
