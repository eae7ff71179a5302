// The local date and time, and pauses, on Windows.
#include <windows.h>

#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

class Win32Clock : public IClock {
  public:
    LocalDateTime Now() override {
        SYSTEMTIME st{};
        ::GetLocalTime(&st);
        return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    }
};

}  // namespace

std::unique_ptr<IClock> CreateSystemClock() {
    return std::make_unique<Win32Clock>();
}

void SleepMilliseconds(int milliseconds) {
    ::Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace bpconf::platform
