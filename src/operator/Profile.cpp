#include "operator/Profile.h"

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>

#include "operator/Design.h"
#include "operator/LanguageTables.h"
#include "operator/OperatorTexts.h"
#include "platform/AsciiText.h"

namespace bpconf::op {

namespace {

using text::Trim;

// Characters of UTF-8 text (what an edit box counts).
std::size_t Characters(const std::string& text) {
    std::size_t n = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80)
            ++n;
    }
    return n;
}

[[noreturn]] void Bad(const std::string& key, const std::string& value, const std::string& why) {
    throw UsageError("bad value for " + key + ": '" + VisibleControls(value) + "' (" + why + ")");
}

using Check = std::function<void(const std::string& key, const std::string& value)>;
using Put = std::function<void(IForm&, OperatorWindow&, const std::string& value)>;

// How a key's value is checked, and how it is put into the window once every value passed.
struct Rule {
    Check check;
    Put put;
};

bool IsYes(const std::string& value) {
    const std::string l = text::ToLowerAscii(value);
    return l == "yes" || l == "true" || l == "1" || l == "on";
}
bool IsNo(const std::string& value) {
    const std::string l = text::ToLowerAscii(value);
    return l == "no" || l == "false" || l == "0" || l == "off";
}

// A yes/no key for a check box.
Rule Box(Control control) {
    return {[](const std::string& key, const std::string& v) {
                if (!IsYes(v) && !IsNo(v))
                    Bad(key, v, "yes or no");
            },
            [control](IForm& f, OperatorWindow&, const std::string& v) {
                f.SetChecked(control, IsYes(v));
            }};
}

// A key that selects one item of a list, by the item's text.
Rule Item(Control control, std::vector<std::string> values) {
    return {[values](const std::string& key, const std::string& v) {
                if (std::find(values.begin(), values.end(), v) == values.end())
                    Bad(key, v, "not one of the list's items");
            },
            [control, values](IForm& f, OperatorWindow&, const std::string& v) {
                const auto it = std::find(values.begin(), values.end(), v);
                f.SetItemIndex(control, static_cast<int>(it - values.begin()));
            }};
}

// A key for an edit box, its text passed unchanged; limit 0: none.
Rule Text(Control control, std::size_t limit) {
    return {[limit](const std::string& key, const std::string& v) {
                if (limit > 0 && Characters(v) > limit)
                    Bad(key, v, "at most " + std::to_string(limit) + " characters");
            },
            [control](IForm& f, OperatorWindow&, const std::string& v) { f.SetText(control, v); }};
}

// The index of the code-page item whose two-digit code is v, or -1.
int CodePageIndex(const std::string& v) {
    const auto items = BuildCodePageList(kChinese);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (v.size() == 2 && items[i].compare(0, 2, v) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

bool IsMonth(const std::string& v) {
    const bool digits = v.size() == 6 && std::all_of(v.begin(), v.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
    const int month = digits ? std::stoi(v.substr(4)) : 0;
    return digits && month >= 1 && month <= 12;
}

using Rules = std::map<std::string, Rule>;

const Rules& AllRules() {
    static const Rules kRules = [] {
        Rules r;
        r["codepage.send"] = Box(ctl::CheckBox1);
        r["codepage"] = {[](const std::string& key, const std::string& v) {
                             if (CodePageIndex(v) < 0)
                                 Bad(key, v, "the two-digit code of a code page, 00 ... 41");
                         },
                         [](IForm& f, OperatorWindow& w, const std::string& v) {
                             f.SetItems(ctl::cboLanage, BuildCodePageList(w.InterfaceLanguage()));
                             f.SetItemIndex(ctl::cboLanage, CodePageIndex(v));
                         }};
        r["density.send"] = Box(ctl::CheckBox2);
        r["density"] = Item(ctl::cboLevel, DensityItems());
        r["aging_time.send"] = Box(ctl::CheckBox12);
        r["aging_time"] = Text(ctl::Edit4, 16);
        r["line_feed.send"] = Box(ctl::CheckBox9);
        r["line_feed"] = Item(ctl::ComboBox2, {"0A", "0D"});
        r["encryption"] = Box(ctl::CheckBox3);
        r["black_mark_stop"] = Box(ctl::CheckBox4);
        r["standby_time.send"] = Box(ctl::CheckBox11);
        r["standby_time"] = Text(ctl::Edit3, 16);
        r["font.send"] = Box(ctl::CheckBox13);
        r["font"] = Item(ctl::ComboBox3, {"fixed", "proportional"});
        r["serial.send"] = Box(ctl::chkUpdateNo);
        r["serial.month"] = {[](const std::string& key, const std::string& v) {
                                 if (!IsMonth(v))
                                     Bad(key, v, "yyyyMM");
                             },
                             [](IForm& f, OperatorWindow& w, const std::string& v) {
                                 platform::LocalDateTime date = f.Date();
                                 date.year = std::stoi(v.substr(0, 4));
                                 date.month = std::stoi(v.substr(4));
                                 date.day = 1;
                                 f.SetDate(date);
                                 w.DTPUpdateNoChange();
                             }};
        r[kSerialCounterKey] = {
            [](const std::string& key, const std::string& v) {
                if (v.empty() || v.size() > 4 || SerialCounter::FilterPasted(v) != v) {
                    Bad(key, v, "digits only, at most 4");
                }
            },
            [](IForm& f, OperatorWindow& w, const std::string& v) {
                f.SetText(ctl::txtUpdateNo, v);
                w.txtUpdateNoChange();
            }};
        r["sensor.send"] = Box(ctl::CheckBox7);
        r["sensor"] = Text(ctl::Edit2, 0);
        r["forced_connection"] = Box(ctl::CheckBox6);
        r["baud_rate.send"] = Box(ctl::CheckBox10);
        r["baud_rate"] = Item(ctl::cboNewCom, BaudRateItems());
        r["printer_name.send"] = Box(ctl::CheckBox5);
        r["printer_name"] = {[](const std::string& key, const std::string& v) {
                                 Text(ctl::Edit1, 16).check(key, v);
                                 if (HasControlCharacter(Trim(v)))
                                     Bad(key, v, "a control character inside the name");
                             },
                             Text(ctl::Edit1, 16).put};
        r["self_test.send"] = Box(ctl::CheckBox8);
        return r;
    }();
    return kRules;
}

}  // namespace

std::vector<Setting> ParseProfile(const std::string& text, LineProfile* lineProfile) {
    std::vector<Setting> settings;
    std::istringstream lines(text);
    std::string line;
    bool inSettings = false;
    bool inLine = false;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        line = Trim(line);
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line = Trim(line.substr(3));
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inSettings = text::ToLowerAscii(line) == "[settings]";
            inLine = text::ToLowerAscii(line) == "[line]";
            if (!inSettings && !inLine)
                throw UsageError("unknown section " + line + " at line " + std::to_string(number));
            continue;
        }
        if (inLine) {
            const Setting s = ParseAssignment(line);
            if (s.first == "station" && lineProfile != nullptr)
                lineProfile->station = s.second;
            else if (s.first == "database" && lineProfile != nullptr)
                lineProfile->database = s.second;
            else if (s.first != "station" && s.first != "database")
                throw UsageError("unknown key " + s.first + " in [line] at line " +
                                 std::to_string(number));
            continue;
        }
        if (!inSettings) {
            throw UsageError("line " + std::to_string(number) + " is outside [settings]: " + line);
        }
        settings.push_back(ParseAssignment(line));
    }
    return settings;
}

Setting ParseAssignment(const std::string& assignment) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos)
        throw UsageError("expected KEY=VALUE: " + assignment);
    std::string value = Trim(assignment.substr(eq + 1));
    // A value in double quotes is taken as it stands between them, blanks included.
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return {text::ToLowerAscii(Trim(assignment.substr(0, eq))), value};
}

void CheckSettings(const std::vector<Setting>& settings) {
    const Rules& rules = AllRules();
    for (const auto& [key, value] : settings) {
        const auto rule = rules.find(key);
        if (rule == rules.end())
            throw UsageError("unknown key " + key + " (value '" + value + "')");
        rule->second.check(key, value);
    }
}

void ApplySettings(IForm& form, OperatorWindow& window, const std::vector<Setting>& settings) {
    CheckSettings(settings);
    for (const auto& [key, value] : settings)
        AllRules().at(key).put(form, window, value);
}

std::vector<std::string> ProfileKeys() {
    std::vector<std::string> keys;
    for (const auto& entry : AllRules())
        keys.push_back(entry.first);
    return keys;
}

}  // namespace bpconf::op
