// Where the user's files go on Linux, by the XDG base directories.
#pragma once

#include <optional>
#include <string>

namespace bpconf::platform {

// $variable/relative when the variable names an absolute folder, $HOME/underHome/relative when it
// is unset or empty; nothing (and why not) for a relative folder or no absolute HOME, so a file
// never lands in whatever folder the tool was started from.
std::optional<std::string> XdgPath(const char* variable, const char* underHome,
                                   const std::string& relative, std::string& whyNot);

}  // namespace bpconf::platform
