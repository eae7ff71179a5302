// A spooler that keeps every message in memory instead of sending it: the back end of a dry run,
// which must show exactly what the run would send, in sending order.
#pragma once

#include <string>
#include <vector>

#include "platform/Printers.h"

namespace bpconf::platform {

struct KeptMessage {
    std::string destination;  // printer or port name
    std::string bytes;
};

class MemorySpooler : public ISpooler {
  public:
    // With names here, any other printer fails to open with 1801; empty: every name opens.
    std::vector<std::string> known;
    // Every finished job, and every port delivery of MemoryPorts sharing this list.
    std::vector<KeptMessage> kept;

    std::unique_ptr<IRawJob> Open(const std::string& printerName, std::uint32_t& error) override;
    QueueState Queue(const std::string& printerName) override;
};

}  // namespace bpconf::platform
