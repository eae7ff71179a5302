// Port devices (LPT1 …) opened as existing files for exclusive writing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace bpconf::platform {

class IPort {
  public:
    virtual ~IPort() = default;
    // Writes one byte; returns 0 or the Windows error number of the failure.
    virtual std::uint32_t WriteByte(std::uint8_t value) = 0;
};

class IPortDevices {
  public:
    virtual ~IPortDevices() = default;
    // Opens the port for writing, existing only, refused while another writer holds it.
    virtual std::unique_ptr<IPort> Open(const std::string& portName) = 0;
};

}  // namespace bpconf::platform
