#include "platform/MemorySpooler.h"

#include <algorithm>

namespace bpconf::platform {

namespace {

class MemoryJob : public IRawJob {
  public:
    MemoryJob(std::vector<KeptMessage>& kept, std::string printer)
        : kept_(kept), printer_(std::move(printer)) {}
    std::uint32_t StartDoc(const std::string&, const std::string&) override { return 0; }
    std::uint32_t StartPage() override { return 0; }
    std::uint32_t Write(const std::uint8_t* data, std::size_t length) override {
        bytes_.append(reinterpret_cast<const char*>(data), length);
        return 0;
    }
    std::uint32_t EndPage() override { return 0; }
    std::uint32_t EndDoc() override {
        kept_.push_back({printer_, bytes_});
        return 0;
    }
    std::uint32_t Close() override { return 0; }

  private:
    std::vector<KeptMessage>& kept_;
    std::string printer_, bytes_;
};

}  // namespace

std::unique_ptr<IRawJob> MemorySpooler::Open(const std::string& printerName, std::uint32_t& error) {
    if (!known.empty() && std::find(known.begin(), known.end(), printerName) == known.end()) {
        error = winerror::kInvalidPrinterName;
        return nullptr;
    }
    error = winerror::kSuccess;
    return std::make_unique<MemoryJob>(kept, printerName);
}

QueueState MemorySpooler::Queue(const std::string& printerName) {
    QueueState q;
    if (!known.empty() && std::find(known.begin(), known.end(), printerName) == known.end())
        q.error = winerror::kInvalidPrinterName;
    return q;
}

}  // namespace bpconf::platform
