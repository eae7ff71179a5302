// Text for the terminal a program was started from, also from a window program on Windows
// (which has no console of its own: it writes to its parent's, when there is one).
#pragma once

#include <string>

namespace bpconf::platform {

void ShowConsoleText(const std::string& utf8);

}  // namespace bpconf::platform
