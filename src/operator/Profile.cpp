#include "operator/Profile.h"

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>

#include "operator/Design.h"
#include "operator/LanguageTables.h"

namespace bpconf::op {

namespace {

std::string TrimSpaces(const std::string& s) {
    const auto begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return std::string();
    const auto end = s.find_last_not_of(" \t\r\n");
    return s.substr(begin, end - begin + 1);
}

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

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
    throw UsageError("bad value for " + key + ": '" + value + "' (" + why + ")");
}

struct Apply {
    std::function<void(IForm&, OperatorWindow&, const std::string&)> apply;
};

// A yes/no key for a check box.
std::pair<std::string, std::function<void(IForm&, OperatorWindow&, const std::string&)>> Box(
    const char* key, const char* control) {
    return {key, [key, control](IForm& f, OperatorWindow&, const std::string& v) {
                const std::string l = Lower(v);
                if (l == "yes" || l == "true" || l == "1" || l == "on") {
                    f.SetChecked(control, true);
                } else if (l == "no" || l == "false" || l == "0" || l == "off") {
                    f.SetChecked(control, false);
                } else {
                    Bad(key, v, "yes or no");
                }
            }};
}

// A key that selects one item of a list, by the item's text.
std::pair<std::string, std::function<void(IForm&, OperatorWindow&, const std::string&)>> Item(
    const char* key, const char* control, std::vector<std::string> values) {
    return {key, [key, control, values](IForm& f, OperatorWindow&, const std::string& v) {
                const auto it = std::find(values.begin(), values.end(), v);
                if (it == values.end())
                    Bad(key, v, "not one of the list's items");
                f.SetItemIndex(control, static_cast<int>(it - values.begin()));
            }};
}

// A key for an edit box, its text passed unchanged; limit 0: none.
std::pair<std::string, std::function<void(IForm&, OperatorWindow&, const std::string&)>> Text(
    const char* key, const char* control, std::size_t limit) {
    return {key, [key, control, limit](IForm& f, OperatorWindow&, const std::string& v) {
                if (limit > 0 && Characters(v) > limit) {
                    Bad(key, v, "at most " + std::to_string(limit) + " characters");
                }
                f.SetText(control, v);
            }};
}

using Handlers =
    std::map<std::string, std::function<void(IForm&, OperatorWindow&, const std::string&)>>;

const Handlers& AllHandlers() {
    static const Handlers kHandlers = [] {
        Handlers h;
        h.insert(Box("codepage.send", ctl::CheckBox1));
        h["codepage"] = [](IForm& f, OperatorWindow& w, const std::string& v) {
            const auto items = BuildCodePageList(w.InterfaceLanguage());
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (v.size() == 2 && items[i].compare(0, 2, v) == 0) {
                    f.SetItems(ctl::cboLanage, items);
                    f.SetItemIndex(ctl::cboLanage, static_cast<int>(i));
                    return;
                }
            }
            Bad("codepage", v, "the two-digit code of a code page, 00 ... 41");
        };
        h.insert(Box("density.send", ctl::CheckBox2));
        h.insert(Item("density", ctl::cboLevel, DensityItems()));
        h.insert(Box("aging_time.send", ctl::CheckBox12));
        h.insert(Text("aging_time", ctl::Edit4, 16));
        h.insert(Box("line_feed.send", ctl::CheckBox9));
        h.insert(Item("line_feed", ctl::ComboBox2, {"0A", "0D"}));
        h.insert(Box("encryption", ctl::CheckBox3));
        h.insert(Box("black_mark_stop", ctl::CheckBox4));
        h.insert(Box("standby_time.send", ctl::CheckBox11));
        h.insert(Text("standby_time", ctl::Edit3, 16));
        h.insert(Box("font.send", ctl::CheckBox13));
        h.insert(Item("font", ctl::ComboBox3, {"fixed", "proportional"}));
        h.insert(Box("serial.send", ctl::chkUpdateNo));
        h["serial.month"] = [](IForm& f, OperatorWindow& w, const std::string& v) {
            const bool digits = v.size() == 6 && std::all_of(v.begin(), v.end(), [](char c) {
                                    return c >= '0' && c <= '9';
                                });
            const int month = digits ? std::stoi(v.substr(4)) : 0;
            if (!digits || month < 1 || month > 12)
                Bad("serial.month", v, "yyyyMM");
            platform::LocalDateTime date = f.Date();
            date.year = std::stoi(v.substr(0, 4));
            date.month = month;
            date.day = 1;
            f.SetDate(date);
            w.DTPUpdateNoChange();
        };
        h["serial.counter"] = [](IForm& f, OperatorWindow&, const std::string& v) {
            if (v.size() > 4 || OperatorWindow::FilterCounterText(v) != v) {
                Bad("serial.counter", v, "digits only, at most 4");
            }
            f.SetText(ctl::txtUpdateNo, v);
        };
        h.insert(Box("sensor.send", ctl::CheckBox7));
        h.insert(Text("sensor", ctl::Edit2, 0));
        h.insert(Box("forced_connection", ctl::CheckBox6));
        h.insert(Box("baud_rate.send", ctl::CheckBox10));
        h.insert(Item("baud_rate", ctl::cboNewCom, BaudRateItems()));
        h.insert(Box("printer_name.send", ctl::CheckBox5));
        h.insert(Text("printer_name", ctl::Edit1, 16));
        h.insert(Box("self_test.send", ctl::CheckBox8));
        return h;
    }();
    return kHandlers;
}

}  // namespace

std::vector<Setting> ParseProfile(const std::string& text) {
    std::vector<Setting> settings;
    std::istringstream lines(text);
    std::string line;
    bool inSettings = false;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        line = TrimSpaces(line);
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line = TrimSpaces(line.substr(3));
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inSettings = Lower(line) == "[settings]";
            if (!inSettings)
                throw UsageError("unknown section " + line + " at line " + std::to_string(number));
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
    std::string value = TrimSpaces(assignment.substr(eq + 1));
    // A value in double quotes is taken as it stands between them, blanks included.
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return {Lower(TrimSpaces(assignment.substr(0, eq))), value};
}

void ApplySettings(IForm& form, OperatorWindow& window, const std::vector<Setting>& settings) {
    const Handlers& handlers = AllHandlers();
    for (const auto& [key, value] : settings) {
        if (handlers.find(key) == handlers.end()) {
            throw UsageError("unknown key " + key + " (value '" + value + "')");
        }
    }
    for (const auto& [key, value] : settings)
        handlers.at(key)(form, window, value);
}

std::vector<std::string> ProfileKeys() {
    std::vector<std::string> keys;
    for (const auto& entry : AllHandlers())
        keys.push_back(entry.first);
    return keys;
}

}  // namespace bpconf::op
