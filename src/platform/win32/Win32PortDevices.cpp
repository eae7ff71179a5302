// Port devices on Windows: a name opened as an existing file for exclusive writing.
#include <windows.h>

#include "platform/AnsiText.h"
#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

class Win32Port : public IPort {
  public:
    explicit Win32Port(HANDLE h) : h_(h) {}
    ~Win32Port() override { ::CloseHandle(h_); }
    std::uint32_t WriteByte(std::uint8_t value) override {
        DWORD written = 0;
        if (!::WriteFile(h_, &value, 1, &written, nullptr)) {
            const DWORD e = ::GetLastError();
            return e != 0 ? e : winerror::kGenFailure;
        }
        return written == 1 ? winerror::kSuccess : winerror::kGenFailure;
    }

  private:
    HANDLE h_;
};

class Win32PortDevices : public IPortDevices {
  public:
    std::unique_ptr<IPort> Open(const std::string& portName) override {
        const HANDLE h = ::CreateFileA(Utf8ToAnsi(portName).c_str(), GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return nullptr;
        return std::make_unique<Win32Port>(h);
    }
};

}  // namespace

std::string PortDevicePath(const std::string& portName) {
    return portName;
}

std::unique_ptr<IPortDevices> CreateSystemPortDevices() {
    return std::make_unique<Win32PortDevices>();
}

}  // namespace bpconf::platform
