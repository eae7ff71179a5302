#include "operator/LanguageTables.h"

namespace bpconf::op {

namespace {

struct CodePageItem {
    const char* chinese;
    const char* english;
};

// Texts exactly as the operator sees them, oddities of the English column included.
constexpr CodePageItem kCodePages[] = {
    {"00,PC437 [美国，欧洲标准]", "00, PC437 [American, European standard]"},
    {"02,PC850 [多语言, 西欧语]", "02, PC850 [language], European languages"},
    {"03,PC860 [葡萄牙语]", "03, PC860 [Portuguese]"},
    {"04,PC863 [加拿大-法语]", "04, PC863 [Canada] - French"},
    {"05,PC865 [北欧- 德语，日耳曼语]", "05, PC865 Nordic German, Germanic]"},
    {"06,PC1252 [West Europe]", "06, PC1252 [West Europe]"},
    {"07,PC737 [Greek]", "07, PC737 [Greek]"},
    {"08,PC862 [Hebrew]", "08, PC862 [Hebrew]"},
    {"09,PC755 [East Europe]", "09, PC755 [East Europe]"},
    {"10,Iran[伊朗]", "10, Iran Iran[]"},
    {"11,CP775 [波罗的海语]", "11, CP775 [Baltic]"},
    {"12,CP932 [日文]", "12, CP932 [Japanese]"},
    {"13,CP949 [韩文]", "13, CP949 [Korean]"},
    {"14,CP950 [繁体中文]", "14, CP950 Chinese [traditional]"},
    {"15,CP936 [简体中文]", "15, CP936 [simplified Chinese]"},
    {"16,PC1252", "16, PC1252"},
    {"17,PC866 [Cyrillice*2]", "17, PC866 [Cyrillice*2]"},
    {"18,PC852 [Latin2]", "18, PC852 [Latin2]"},
    {"19,PC858 [西欧语]", "19, PC858 [western language]"},
    {"20,CP861 [冰岛语]", "20, CP861 [Iceland]"},
    {"21,CP866 [斯拉夫语/俄语]", "21, CP866 [Slavic / Russian]"},
    {"22,CP855 [斯拉夫语 保加利亚]", "22, CP855 [Slavic Bulgaria]"},
    {"23,CP857 [土耳其语]", "23, CP857 [language]"},
    {"24,CP864 [阿拉伯语]", "24, CP864 [in Arabic]"},
    {"25,CP869 [希腊语(2)]", "25, CP869 [Greek (2)]"},
    {"32,CP874 [泰文]", "32, CP874 [Thai]"},
    {"33,CP1250[中欧 Latin-2 ]", "33, the CP1250[central Latin-2]"},
    {"34,CP1251[西里尔文 斯拉夫语 俄语]", "34, CP1251[Cyril, the Slavic Russian]"},
    {"35,CP1252[西欧(拉丁文I)]", "35, CP1252[in Western Europe (Latin I)]"},
    {"36,CP1253[希腊文]", "36, CP1253[Greek]"},
    {"37,CP1254[土耳其文]", "37, CP1254[Turkey paper]"},
    {"38,CP1255[希伯来文]", "38, CP1255[in Hebrew]"},
    {"39,CP1256[阿拉伯文]", "39, CP1256[in Arabic]"},
    {"40,CP1257[波罗的海文]", "40, CP1257[Baltic]"},
    {"41,CP1258[越南]", "41, CP1258[Vietnam]"},
};

}  // namespace

std::vector<std::string> BuildCodePageList(const std::string& interfaceLanguage) {
    std::vector<std::string> items;
    items.reserve(std::size(kCodePages));
    for (const auto& item : kCodePages) {
        items.emplace_back(Pick(interfaceLanguage, item.chinese, item.english));
    }
    return items;
}

const std::vector<CaptionRow>& CaptionTable() {
    using namespace ctl;
    static const std::vector<CaptionRow> kTable = {
        {Form, "蓝牙打印机配置文件下载工具  V1.7", "Bluetooth printer configuration tool V1.7",
         "蓝牙打印机配置文件下载工具 V1.0"},
        {GroupBox1, "连接设置", "Connection settings"},
        {rdbDriver, "选择打印机驱动:", "Select the drive:", "选择驱动："},
        {CheckBox1, "语言设置：", "language: "},
        {CheckBox2, "打印浓度等级：", "Printing level:"},
        {CheckBox3, "开启数据加密功能", "Open data encryption"},
        {CheckBox4, "开启检不到黑标停止打印功能", "Open inspection black label"},
        {CheckBox5, "设置打印机名称：", "Set the name:"},
        {CheckBox6, "开启强制连接模式", "Forced connection mode"},
        {CheckBox7, "传感器灵敏度", "sensitivity sensor"},
        {CheckBox8, "更新自检信息", "he update check information"},
        {CheckBox9, "换行指令：", "Wrap instruction:"},
        {CheckBox10, "设置波特率为：", "New Baud rate:"},
        {CheckBox11, "待机时间：", "Standby time:"},
        {CheckBox12, "老化时间：", "Aging time:"},
        {CheckBox13, "字体类型：", "Type of font:"},
        {Label5, "(需重启)", "(Restart)"},
        {Button1, "打开文件", "Open File", "选择更新包"},
        {Button2, "测试文件", "Test File", "测试更新包"},
        {Button3, "启动更新", "start update", "开始更新"},
        {Button4, "退出", "Quit", "退出(&Q)"},
        {Button5, "English", "Chinese"},
        {TabSheet1, "常用设置", "Common settings"},
        {TabSheet2, "特殊设置", "Special settings"},
        {TabSheet3, "生产设置", "Production set"},
        {StatusPanel0, "提示信息：", "Prompt:"},
        // Captions of the design that no switch changes.
        {StatusPanel1, "", nullptr},
        {chkUpdateNo, "自动更新序列号： ", nullptr},
        {Label4, " 已更新：           台", nullptr},
        {txtUpdateNo, "", nullptr},
        {txtUpdateOverNum, "0", nullptr},
        {lblNoYearMonth, "000000", nullptr},
        {rdbLpt, "直接访问并口：", nullptr},
        {rdbCom, "直接访问串口：", nullptr},
        {Panel5, "波特率：", nullptr},
        {RadioButton1, "原指令", nullptr},
        {RadioButton2, "新指令", nullptr},
    };
    return kTable;
}

std::vector<std::string> FontTypeItems(const std::string& interfaceLanguage) {
    if (IsChinese(interfaceLanguage))
        return {"等宽", "不等宽"};
    return {"Width", "Unequal width"};
}

}  // namespace bpconf::op
