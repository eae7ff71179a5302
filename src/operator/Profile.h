// The command line's settings: INI profiles whose [settings] section names the run's settings by
// plain keys, and --set KEY=VALUE assignments, turned into one typed value. Every key is
// optional: what no profile sets keeps the window's state after start. Every value is checked
// with the window's own conversions before anything is sent; a value the window would quietly
// replace by its default is refused.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "operator/RunSettings.h"
#include "platform/Environment.h"

namespace bpconf::op {

// A profile or setting that cannot be used; the message names where it stands (file:line, or
// the --set) and what is wrong.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The [line] section: the station's name and the line's database.
struct LineProfile {
    std::optional<std::string> station;
    std::optional<std::string> database;
};

// A profile: the name the messages give it (its path) and its text.
struct ProfileText {
    std::string name;
    std::string text;
};

// The key that sets the number of the next serial-number stamp.
inline constexpr const char* kSerialCounterKey = "serial.counter";

// What the window holds after its creation (both start-up switches on), in the language, with
// the stamp of the date.
RunSettings DesignRunSettings(const std::string& interfaceLanguage,
                              const platform::LocalDateTime& today);

// Applies the profiles in order, then the assignments ("KEY=VALUE" of --set), to settings and
// line; a later key wins over an earlier one. Raises UsageError at the first line or
// assignment that cannot be used. toAnsi: the station's conversion of the printer name (empty:
// not checked).
void ApplyProfiles(const std::vector<ProfileText>& profiles,
                   const std::vector<std::string>& assignments,
                   const std::string& interfaceLanguage,
                   const std::function<std::string(const std::string&)>& toAnsi,
                   RunSettings& settings, LineProfile& line);

// The [line] section of the profiles alone (the commands that send nothing).
LineProfile LineOfProfiles(const std::vector<ProfileText>& profiles);

// The keys, for the usage text.
std::vector<std::string> ProfileKeys();

// "yyyyMM" with a month from 01 to 12.
bool IsYearMonth(const std::string& text);

}  // namespace bpconf::op
