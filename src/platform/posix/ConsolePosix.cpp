#include <cstdio>

#include "platform/Console.h"

namespace bpconf::platform {

void ShowConsoleText(const std::string& utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

}  // namespace bpconf::platform
