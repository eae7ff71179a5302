// How long an update run waits for its jobs to reach the printer.
#pragma once

#include <string>

namespace bpconf::op {

inline constexpr int kDefaultJobTimeoutMs = 30000;

// The job timeout from a setting in seconds ("30", "2.5"; "0" turns following off); nothing
// when the text is no such number.
bool ParseJobTimeout(const std::string& seconds, int& milliseconds);

}  // namespace bpconf::op
