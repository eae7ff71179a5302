#include "platform/UtcTime.h"

#include <chrono>
#include <cstdio>

namespace bpconf::platform {

std::string FormatUtc(std::int64_t ms) {
    // Days since 1970-01-01 to a civil date (the proleptic Gregorian calendar).
    std::int64_t days = ms >= 0 ? ms / 86400000 : (ms - 86399999) / 86400000;
    const std::int64_t dayMs = ms - days * 86400000;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char buf[128];
    std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%03lldZ",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<long long>(dayMs / 3600000),
                  static_cast<long long>(dayMs / 60000 % 60),
                  static_cast<long long>(dayMs / 1000 % 60), static_cast<long long>(dayMs % 1000));
    return buf;
}

std::string UtcNow() {
    return FormatUtc(std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count());
}

}  // namespace bpconf::platform
