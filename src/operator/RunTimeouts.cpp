#include "operator/RunTimeouts.h"

#include <cmath>
#include <cstdlib>

namespace bpconf::op {

bool ParseJobTimeout(const std::string& seconds, int& milliseconds) {
    if (seconds.empty())
        return false;
    char* end = nullptr;
    const double value = std::strtod(seconds.c_str(), &end);
    // A day is far more than any printer needs; more is a typing error.
    if (end == seconds.c_str() || *end != '\0' || !std::isfinite(value) || value < 0 ||
        value > 86400)
        return false;
    milliseconds = static_cast<int>(std::lround(value * 1000));
    return true;
}

}  // namespace bpconf::op
