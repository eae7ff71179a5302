#include "operator/Design.h"

#include "operator/LanguageTables.h"

namespace bpconf::op {

std::vector<std::string> DensityItems() {
    std::vector<std::string> items;
    for (int i = 0; i <= 39; ++i)
        items.push_back(std::to_string(i));
    return items;
}

std::vector<std::string> BaudRateItems() {
    return {"1200",  "2400",  "4800",   "9600",   "19200",
            "38400", "57600", "115200", "128000", "230400"};
}

const std::vector<TextLimit>& TextLimits() {
    static const std::vector<TextLimit> kLimits = {
        {ctl::Edit1, 16}, {ctl::Edit3, 16}, {ctl::Edit4, 16}, {ctl::txtUpdateNo, 4}};
    return kLimits;
}

const std::vector<EditDefault>& EditDefaults() {
    static const std::vector<EditDefault> kDefaults = {
        {ctl::Edit1, ""}, {ctl::Edit2, "2800"}, {ctl::Edit3, "1800"}, {ctl::Edit4, "300"}};
    return kDefaults;
}

void ApplyDesign(IForm& f) {
    for (const auto& row : CaptionTable())
        f.SetText(row.control, row.Design());
    for (const auto& edit : EditDefaults())
        f.SetText(edit.control, edit.text);

    struct Tick {
        Control control;
        bool checked;
    };
    static const Tick kTicks[] = {
        {ctl::rdbDriver, true},    {ctl::rdbLpt, false},      {ctl::rdbCom, false},
        {ctl::CheckBox8, false},   {ctl::CheckBox1, false},   {ctl::CheckBox2, true},
        {ctl::CheckBox5, false},   {ctl::CheckBox6, true},    {ctl::CheckBox7, true},
        {ctl::CheckBox13, true},   {ctl::CheckBox11, false},  {ctl::CheckBox10, false},
        {ctl::CheckBox3, true},    {ctl::CheckBox9, true},    {ctl::CheckBox4, true},
        {ctl::CheckBox12, false},  {ctl::chkUpdateNo, false}, {ctl::RadioButton1, false},
        {ctl::RadioButton2, true},
    };
    for (const auto& t : kTicks)
        f.SetChecked(t.control, t.checked);

    struct List {
        Control control;
        std::vector<std::string> items;
        int selected;
    };
    std::vector<std::string> coms;
    for (int i = 1; i <= 29; ++i)
        coms.push_back("COM" + std::to_string(i));
    const List kLists[] = {
        {ctl::cboLanage, BuildCodePageList(kChinese), kDefaultCodePageIndex},
        {ctl::cboLevel, DensityItems(), 28},
        {ctl::ComboBox3, FontTypeItems(kChinese), 0},
        {ctl::cboNewCom, BaudRateItems(), 5},
        {ctl::ComboBox2, {"0A", "0D"}, 0},
        {ctl::cmbLpt, {"LPT1", "LPT2", "LPT3"}, 0},
        {ctl::cmbCom, coms, 0},
        {ctl::cmbBaudRate, BaudRateItems(), 3},
        {ctl::cmbShareHand, {"无握手", "硬件握手CTS", "软件握手XON/XOFF"}, 0},
        {ctl::cmbDriver, {}, -1},
    };
    for (const auto& l : kLists) {
        f.SetItems(l.control, l.items);
        f.SetItemIndex(l.control, l.selected);
    }

    // Hidden in the design: the port and serial controls, the header choice, and the
    // production controls until the window's creation shows them.
    for (Control hidden :
         {ctl::rdbLpt, ctl::cmbLpt, ctl::rdbCom, ctl::cmbCom, ctl::Panel5, ctl::cmbBaudRate,
          ctl::cmbShareHand, ctl::RadioButton1, ctl::RadioButton2, ctl::TabSheet2, ctl::TabSheet3,
          ctl::chkUpdateNo, ctl::DTPUpdateNo, ctl::txtUpdateNo, ctl::txtUpdateOverNum, ctl::Label4,
          ctl::lblNoYearMonth}) {
        f.SetVisible(hidden, false);
    }
    f.SetEnabled(ctl::RadioButton1, false);
    f.SetProgressRange(0, 100, 1);
    f.SetProgressPosition(0);
}

}  // namespace bpconf::op
