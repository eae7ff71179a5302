// Ports that keep every delivery in memory, in the list of a MemorySpooler: the ports of a dry
// run.
#pragma once

#include <vector>

#include "platform/MemorySpooler.h"
#include "platform/Ports.h"

namespace bpconf::platform {

class MemoryPorts : public IPortDevices {
  public:
    explicit MemoryPorts(std::vector<KeptMessage>& kept) : kept_(kept) {}
    std::unique_ptr<IPort> Open(const std::string& portName) override;

  private:
    std::vector<KeptMessage>& kept_;
};

}  // namespace bpconf::platform
