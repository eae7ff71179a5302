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

void ApplyDesign(IForm& f) {
    struct Caption {
        const char* control;
        const char* text;
    };
    static const Caption kCaptions[] = {
        {ctl::Form, kDesignCaption},
        {ctl::GroupBox1, "连接设置"},
        {ctl::rdbDriver, "选择驱动："},
        {ctl::Button1, "选择更新包"},
        {ctl::Button2, "测试更新包"},
        {ctl::TabSheet1, "常用设置"},
        {ctl::TabSheet2, "特殊设置"},
        {ctl::TabSheet3, "生产设置"},
        {ctl::CheckBox8, "更新自检信息"},
        {ctl::Button3, "开始更新"},
        {ctl::Button4, "退出(&Q)"},
        {ctl::Button5, "English"},
        {ctl::StatusPanel0, "提示信息："},
        {ctl::StatusPanel1, ""},
        {ctl::CheckBox1, "语言设置："},
        {ctl::CheckBox2, "打印浓度等级："},
        {ctl::CheckBox5, "设置打印机名称："},
        {ctl::Edit1, ""},
        {ctl::CheckBox6, "开启强制连接模式"},
        {ctl::CheckBox7, "传感器灵敏度"},
        {ctl::Edit2, "2800"},
        {ctl::CheckBox13, "字体类型："},
        {ctl::CheckBox11, "待机时间："},
        {ctl::Edit3, "1800"},
        {ctl::CheckBox10, "设置波特率为："},
        {ctl::Label5, "(需重启)"},
        {ctl::CheckBox3, "开启数据加密功能"},
        {ctl::CheckBox9, "换行指令："},
        {ctl::CheckBox4, "开启检不到黑标停止打印功能"},
        {ctl::CheckBox12, "老化时间："},
        {ctl::Edit4, "300"},
        {ctl::chkUpdateNo, "自动更新序列号： "},
        {ctl::txtUpdateNo, ""},
        {ctl::Label4, " 已更新：           台"},
        {ctl::txtUpdateOverNum, "0"},
        {ctl::lblNoYearMonth, "000000"},
        {ctl::rdbLpt, "直接访问并口："},
        {ctl::rdbCom, "直接访问串口："},
        {ctl::Panel5, "波特率："},
        {ctl::RadioButton1, "原指令"},
        {ctl::RadioButton2, "新指令"},
    };
    for (const auto& c : kCaptions)
        f.SetText(c.control, c.text);

    struct Tick {
        const char* control;
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
        const char* control;
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
    for (const char* hidden :
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
