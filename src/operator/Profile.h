// Settings profiles of the command line: an INI file whose [settings] section names the window's
// controls by plain keys. Every key is optional; what a profile leaves out keeps the window's
// state after start.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "operator/OperatorWindow.h"

namespace bpconf::op {

// A profile or setting that cannot be used; the message names the key and the value.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using Setting = std::pair<std::string, std::string>;  // key, value

// The [line] section of a profile: the station's name and the line's database.
struct LineProfile {
    std::optional<std::string> station;
    std::optional<std::string> database;
};

// The settings of an INI text, in file order. Blank lines and lines starting with ';' or '#'
// are skipped; every key must stand in the [settings] section, or be station= or database= in
// the [line] section (given to lineProfile).
std::vector<Setting> ParseProfile(const std::string& text, LineProfile* lineProfile = nullptr);

// "KEY=VALUE" of --set.
Setting ParseAssignment(const std::string& assignment);

// The key that sets the number of the next serial-number stamp.
inline constexpr const char* kSerialCounterKey = "serial.counter";

// Checks every setting: unknown key, value outside its list, text over its length limit, a
// counter that is not one to four digits. Raises UsageError naming the first bad one.
void CheckSettings(const std::vector<Setting>& settings);

// Checks every setting, then puts them into the window as an operator would.
void ApplySettings(IForm& form, OperatorWindow& window, const std::vector<Setting>& settings);

// The keys, for the usage text.
std::vector<std::string> ProfileKeys();

}  // namespace bpconf::op
