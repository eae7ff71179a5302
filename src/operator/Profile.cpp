#include "operator/Profile.h"

#include <algorithm>
#include <limits>
#include <map>
#include <sstream>

#include "operator/Design.h"
#include "operator/FormModel.h"
#include "operator/FormRunSettings.h"
#include "operator/LanguageTables.h"
#include "operator/OperatorTexts.h"
#include "operator/OperatorWindow.h"
#include "platform/AsciiText.h"
#include "protocol/Commands.h"
#include "protocol/IntConv.h"
#include "serials/SerialNumber.h"

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

// Why a value cannot be used; the caller adds where it stands.
struct BadValue {
    std::string why;
};

bool IsYes(const std::string& value) {
    const std::string l = text::ToLowerAscii(value);
    return l == "yes" || l == "true" || l == "1" || l == "on";
}
bool IsNo(const std::string& value) {
    const std::string l = text::ToLowerAscii(value);
    return l == "no" || l == "false" || l == "0" || l == "off";
}

// What the values are checked and put for: the interface language (the items' texts) and the
// conversion of the printer name to the station's code page.
struct Context {
    std::string language;
    std::function<std::string(const std::string&)> toAnsi;
};

// What a key does with its value: checks it (throwing BadValue) and puts it into the settings.
using Put = std::function<void(RunSettings&, const std::string& value, const Context&)>;

Put Box(Setting setting) {
    return [setting](RunSettings& s, const std::string& v, const Context&) {
        if (!IsYes(v) && !IsNo(v))
            throw BadValue{"yes or no"};
        s[setting].ticked = IsYes(v);
    };
}

// A key that selects one item of a list by its text; texts: the item's text in each language.
Put Item(Setting setting, std::vector<std::string> values,
         std::function<std::vector<std::string>(const std::string&)> itemsIn) {
    return [=](RunSettings& s, const std::string& v, const Context& c) {
        const auto it = std::find(values.begin(), values.end(), v);
        if (it == values.end())
            throw BadValue{"one of " + [&] {
                std::string list;
                for (const auto& value : values)
                    list += (list.empty() ? "" : ", ") + value;
                return list;
            }()};
        const auto index = static_cast<std::size_t>(it - values.begin());
        s[setting].item = static_cast<int>(index);
        s[setting].text = itemsIn(c.language).at(index);
    };
}

// An edit box holding seconds, converted as its step converts it. The message holds four bytes:
// a value outside them would be cut without a word, so a profile may not hold one.
Put Seconds(Setting setting) {
    return [setting](RunSettings& s, const std::string& v, const Context&) {
        if (Characters(v) > 16)
            throw BadValue{"at most 16 characters"};
        if (!protocol::ParseInteger(v, 0, 0xFFFFFFFFLL))
            throw BadValue{"a whole number of seconds, 0 to 4294967295"};
        s[setting].text = v;
    };
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

const std::map<std::string, Put>& Keys() {
    static const std::map<std::string, Put> kKeys = [] {
        std::map<std::string, Put> k;
        auto same = [](std::vector<std::string> items) {
            return [items](const std::string&) { return items; };
        };
        k["codepage.send"] = Box(Setting::CodePage);
        k["codepage"] = [](RunSettings& s, const std::string& v, const Context& c) {
            const int index = CodePageIndex(v);
            if (index < 0)
                throw BadValue{"the two-digit code of a code page, 00 ... 41"};
            s[Setting::CodePage].item = index;
            s[Setting::CodePage].text =
                BuildCodePageList(c.language).at(static_cast<std::size_t>(index));
        };
        k["density.send"] = Box(Setting::Density);
        k["density"] = Item(Setting::Density, DensityItems(), same(DensityItems()));
        k["aging_time.send"] = Box(Setting::AgingTime);
        k["aging_time"] = Seconds(Setting::AgingTime);
        k["line_feed.send"] = Box(Setting::LineFeed);
        k["line_feed"] = Item(Setting::LineFeed, {"0A", "0D"}, same({"0A", "0D"}));
        k["encryption"] = Box(Setting::Encryption);
        k["black_mark_stop"] = Box(Setting::BlackMark);
        k["standby_time.send"] = Box(Setting::StandbyTime);
        k["standby_time"] = Seconds(Setting::StandbyTime);
        k["font.send"] = Box(Setting::FontType);
        k["font"] = Item(Setting::FontType, {"fixed", "proportional"}, FontTypeItems);
        k["serial.send"] = Box(Setting::SerialNumber);
        k["serial.month"] = [](RunSettings& s, const std::string& v, const Context&) {
            if (!IsYearMonth(v))
                throw BadValue{"yyyyMM"};
            s.serialStamp = v;
        };
        k[kSerialCounterKey] = [](RunSettings& s, const std::string& v, const Context&) {
            const auto number = serials::ParseTypedCounter(v);
            if (!number) {
                throw BadValue{"digits only, up to " + std::to_string(serials::kLargestCounter)};
            }
            s.serialCounter = number;
        };
        k["sensor.send"] = Box(Setting::SensorValue);
        k["sensor"] = [](RunSettings& s, const std::string& v, const Context&) {
            // The window sends 3000 for a text that is no number, and the lowest two bytes of a
            // larger one; a profile says what it means.
            if (!protocol::ParseInteger(Trim(v), 0, 0xFFFF))
                throw BadValue{"a whole number of millivolts, 0 to 65535"};
            s[Setting::SensorValue].text = v;
        };
        k["forced_connection"] = Box(Setting::ForcedConnection);
        k["baud_rate.send"] = Box(Setting::BaudRate);
        k["baud_rate"] = Item(Setting::BaudRate, BaudRateItems(), same(BaudRateItems()));
        k["printer_name.send"] = Box(Setting::PrinterName);
        k["printer_name"] = [](RunSettings& s, const std::string& v, const Context& c) {
            if (Characters(v) > 16)
                throw BadValue{"at most 16 characters"};
            if (HasControlCharacter(Trim(v)))
                throw BadValue{"a control character inside the name"};
            // The window sends '?' for a character the station's code page lacks; a profile
            // names the printer as it means it.
            if (c.toAnsi) {
                std::string sent;
                try {
                    sent = c.toAnsi(Trim(v));
                } catch (const std::exception& e) {
                    throw BadValue{e.what()};
                }
                if (std::count(sent.begin(), sent.end(), '?') > std::count(v.begin(), v.end(), '?'))
                    throw BadValue{"characters this station's code page cannot hold"};
            }
            s[Setting::PrinterName].text = v;
        };
        k["self_test.send"] = Box(Setting::SelfTest);
        return k;
    }();
    return kKeys;
}

// The edit distance of two keys, for naming the nearest known one.
std::size_t Distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string Nearest(const std::string& key, const std::vector<std::string>& known) {
    std::string best;
    std::size_t bestDistance = std::numeric_limits<std::size_t>::max();
    for (const auto& k : known) {
        if (const std::size_t d = Distance(key, k); d < bestDistance) {
            best = k;
            bestDistance = d;
        }
    }
    return best;
}

// The value after '=': a comment (';' or '#' after a blank, outside double quotes) dropped,
// blanks around it trimmed, and a value wholly in double quotes taken as it stands between them.
std::string ValueOf(const std::string& raw, bool comments) {
    std::string value = raw;
    if (comments) {
        bool quoted = false;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '"')
                quoted = !quoted;
            if (!quoted && (value[i] == ';' || value[i] == '#') &&
                (i == 0 || value[i - 1] == ' ' || value[i - 1] == '\t')) {
                value.resize(i);
                break;
            }
        }
    }
    value = Trim(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return value;
}

// One KEY=VALUE: the key in lower case and the value.
bool SplitAssignment(const std::string& line, bool comments, std::string& key, std::string& value) {
    const auto eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    key = text::ToLowerAscii(Trim(line.substr(0, eq)));
    value = ValueOf(line.substr(eq + 1), comments);
    return true;
}

// Applies one assignment of [settings]; where: "file:line" or "--set KEY=VALUE".
void Assign(const std::string& where, const std::string& key, const std::string& value,
            const Context& context, RunSettings& settings) {
    const auto& keys = Keys();
    const auto put = keys.find(key);
    if (put == keys.end()) {
        throw UsageError(where + ": unknown key '" + key + "'; the nearest known key is " +
                         Nearest(key, ProfileKeys()));
    }
    try {
        put->second(settings, value, context);
    } catch (const BadValue& bad) {
        throw UsageError(where + ": bad value for " + key + ": '" + VisibleControls(value) + "' (" +
                         bad.why + ")");
    }
}

void ApplyProfile(const ProfileText& profile, const Context& context, RunSettings* settings,
                  LineProfile& line) {
    std::istringstream lines(profile.text);
    std::string raw;
    enum class Section { None, Settings, Line } section = Section::None;
    int number = 0;
    while (std::getline(lines, raw)) {
        ++number;
        const std::string where = profile.name + ":" + std::to_string(number);
        std::string l = Trim(raw);
        if (number == 1 && l.rfind("\xEF\xBB\xBF", 0) == 0)
            l = Trim(l.substr(3));
        if (l.empty() || l[0] == ';' || l[0] == '#')
            continue;
        if (l[0] == '[') {
            const std::string name = text::ToLowerAscii(ValueOf(l, true));
            section = name == "[settings]" ? Section::Settings
                      : name == "[line]"   ? Section::Line
                                           : Section::None;
            if (section == Section::None)
                throw UsageError(where + ": unknown section " + l);
            continue;
        }
        std::string key, value;
        if (!SplitAssignment(l, true, key, value))
            throw UsageError(where + ": expected KEY=VALUE, not '" + VisibleControls(l) + "'");
        if (section == Section::None)
            throw UsageError(where + ": " + key + " stands outside [settings] and [line]");
        if (section == Section::Line) {
            if (key == "station")
                line.station = value;
            else if (key == "database")
                line.database = value;
            else
                throw UsageError(where + ": unknown key '" + key +
                                 "' in [line]; the keys there are station and database");
            continue;
        }
        if (settings != nullptr)
            Assign(where, key, value, context, *settings);
    }
}

}  // namespace

RunSettings DesignRunSettings(const std::string& language, const platform::LocalDateTime& today) {
    FormModel form;
    ApplyDesign(form);
    WindowState state;
    state.interfaceLanguage = language;
    state.specialMode = state.productionMode = true;
    OperatorWindow::ApplyStartupSwitches(form, state);
    OperatorWindow::FillLanguageLists(form, language);
    form.SetText(ctl::lblNoYearMonth, serials::YearMonthStamp(today));
    return Snapshot(FormRunSettings(form));
}

void ApplyProfiles(const std::vector<ProfileText>& profiles,
                   const std::vector<std::string>& assignments, const std::string& language,
                   const std::function<std::string(const std::string&)>& toAnsi,
                   RunSettings& settings, LineProfile& line) {
    const Context context{language, toAnsi};
    for (const auto& profile : profiles)
        ApplyProfile(profile, context, &settings, line);
    for (const auto& assignment : assignments) {
        const std::string where = "--set " + VisibleControls(assignment);
        std::string key, value;
        if (!SplitAssignment(assignment, false, key, value))
            throw UsageError(where + ": expected KEY=VALUE");
        Assign(where, key, value, context, settings);
    }
}

LineProfile LineOfProfiles(const std::vector<ProfileText>& profiles) {
    LineProfile line;
    for (const auto& profile : profiles)
        ApplyProfile(profile, {kEnglish, nullptr}, nullptr, line);
    return line;
}

bool IsYearMonth(const std::string& v) {
    const bool digits = v.size() == 6 && text::IsDigits(v);
    const int month = digits ? std::stoi(v.substr(4)) : 0;
    return digits && month >= 1 && month <= 12;
}

std::vector<std::string> ProfileKeys() {
    std::vector<std::string> keys;
    for (const auto& entry : Keys())
        keys.push_back(entry.first);
    return keys;
}

}  // namespace bpconf::op
