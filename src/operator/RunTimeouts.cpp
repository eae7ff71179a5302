#include "operator/RunTimeouts.h"

#include <algorithm>
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
    if (end == seconds.c_str() || *end != '\0' || !std::isfinite(value) || value < 0 ||
        value > 86400)
        return false;
    // A positive bound is never rounded down to 0, which would turn following off.
    milliseconds = value > 0 ? std::max(1, static_cast<int>(std::lround(value * 1000))) : 0;
    return true;
}

}  // namespace bpconf::op
