#include "operator/RunTimeouts.h"

#include <cmath>
#include <cstdlib>

namespace bpconf::op {

bool ParseJobTimeout(const std::string& seconds, int& milliseconds) {
    // A sign is no part of a duration ("-0" included).
    if (seconds.empty() || seconds[0] == '-' || seconds[0] == '+')
        return false;
    char* end = nullptr;
    const double value = std::strtod(seconds.c_str(), &end);
    // A day is far more than any printer needs; more is a typing error.
    if (end == seconds.c_str() || *end != '\0' || !std::isfinite(value) ||
        value * 1000 < kMinimumJobTimeoutMs || value > 86400)
        return false;
    milliseconds = static_cast<int>(std::lround(value * 1000));
    return true;
}

}  // namespace bpconf::op
