// The local date and time from the C library, and pauses.
#include <time.h>

#include <cerrno>
#include <ctime>

#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

class SystemClock : public IClock {
  public:
    LocalDateTime Now() override {
        const std::time_t now = std::time(nullptr);
        struct tm local {};
        ::localtime_r(&now, &local);
        LocalDateTime t;
        t.year = local.tm_year + 1900;
        t.month = local.tm_mon + 1;
        t.day = local.tm_mday;
        t.hour = local.tm_hour;
        t.minute = local.tm_min;
        t.second = local.tm_sec;
        return t;
    }
};

}  // namespace

std::unique_ptr<IClock> CreateSystemClock() {
    return std::make_unique<SystemClock>();
}

void SleepMilliseconds(int milliseconds) {
    struct timespec t {};
    t.tv_sec = milliseconds / 1000;
    t.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

}  // namespace bpconf::platform
