// How long an update run waits for its jobs to reach the printer.
#pragma once

#include <string>

namespace bpconf::op {

inline constexpr int kDefaultJobTimeoutMs = 30000;
// Every job of a run is followed: a bound below a second would call a healthy printer dead.
inline constexpr int kMinimumJobTimeoutMs = 1000;

// The job timeout from a setting in seconds ("30", "2.5"), from 1 to 86400; false when the text
// is no such number (0 included: following cannot be turned off).
bool ParseJobTimeout(const std::string& seconds, int& milliseconds);

}  // namespace bpconf::op
