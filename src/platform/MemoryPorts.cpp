#include "platform/MemoryPorts.h"

namespace bpconf::platform {

namespace {

class MemoryPort : public IPort {
  public:
    MemoryPort(std::vector<KeptMessage>& kept, const std::string& name) : kept_(kept) {
        kept_.push_back({name, std::string()});
    }
    std::uint32_t WriteByte(std::uint8_t value) override {
        kept_.back().bytes += static_cast<char>(value);
        return 0;
    }

  private:
    std::vector<KeptMessage>& kept_;
};

}  // namespace

std::unique_ptr<IPort> MemoryPorts::Open(const std::string& portName) {
    return std::make_unique<MemoryPort>(kept_, portName);
}

}  // namespace bpconf::platform
