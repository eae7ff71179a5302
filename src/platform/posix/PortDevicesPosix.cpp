// Port devices as device files: opened write-only, existing only, with an exclusive lock.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Backends.h"
#include "platform/posix/PosixErrors.h"

namespace bpconf::platform {

namespace {

class PosixPort : public IPort {
  public:
    explicit PosixPort(int fd) : fd_(fd) {}
    ~PosixPort() override { ::close(fd_); }  // closing also releases the lock

    std::uint32_t WriteByte(std::uint8_t value) override {
        for (;;) {
            const ssize_t n = ::write(fd_, &value, 1);
            if (n == 1)
                return winerror::kSuccess;
            if (n < 0 && errno == EINTR)
                continue;
            return ErrorForErrno(n < 0 ? errno : EIO);
        }
    }

  private:
    int fd_;
};

class PosixPortDevices : public IPortDevices {
  public:
    std::unique_ptr<IPort> Open(const std::string& portName) override {
        const std::string path = PortDevicePath(portName);
        if (path.empty())
            return nullptr;
        // Non-blocking open: a FIFO without a reader fails at once instead of hanging the window.
        const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return nullptr;
        }
        // Writes block until the device took the byte, as on Windows.
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0)
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        return std::make_unique<PosixPort>(fd);
    }
};

}  // namespace

std::string PortDevicePath(const std::string& portName) {
    if (portName == "LPT1")
        return "/dev/lp0";
    if (portName == "LPT2")
        return "/dev/lp1";
    if (portName == "LPT3")
        return "/dev/lp2";
    return portName;
}

std::unique_ptr<IPortDevices> CreateSystemPortDevices() {
    return std::make_unique<PosixPortDevices>();
}

}  // namespace bpconf::platform
