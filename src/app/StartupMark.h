// For the start-up benchmark: when BPCONF_STARTUP_MARK names a file, the window writes it once it
// has painted for the first time, so the time from launch to a usable window can be measured
// from outside. Nothing happens without the variable.
#pragma once

#include <fstream>

#include "platform/Environment.h"

namespace bpconf::app {

inline void MarkFirstPaint() {
    if (const auto path = platform::EnvironmentVariable("BPCONF_STARTUP_MARK"))
        std::ofstream(*path) << "painted\n";
}

}  // namespace bpconf::app
