// Settings profiles of the command line: an INI file whose [settings] section names the window's
// controls by plain keys. Every key is optional; what a profile leaves out keeps the window's
// state after start.
#pragma once

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

// The settings of an INI text, in file order. Blank lines and lines starting with ';' or '#'
// are skipped; every key must stand in the [settings] section.
std::vector<Setting> ParseProfile(const std::string& text);

// "KEY=VALUE" of --set.
Setting ParseAssignment(const std::string& assignment);

// Checks every setting first (unknown key, value outside its list, text over its length limit,
// counter with a non-digit), then puts them into the window as an operator would.
void ApplySettings(IForm& form, OperatorWindow& window, const std::vector<Setting>& settings);

// The keys, for the usage text.
std::vector<std::string> ProfileKeys();

}  // namespace bpconf::op
