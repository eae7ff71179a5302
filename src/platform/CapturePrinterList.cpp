// The capture printer in the printer list: one extra printer after the system's.
#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

class CapturePrinterList : public IPrinterList {
  public:
    explicit CapturePrinterList(std::unique_ptr<IPrinterList> system)
        : system_(std::move(system)) {}

    // The capture printer is there even when the system's spooler cannot be reached; the
    // failure is still told.
    PrinterListing List() override {
        PrinterListing listing = system_->List();
        listing.names.emplace_back(kCapturePrinterName);
        if (!listing.defaultName)
            listing.defaultName = kCapturePrinterName;
        return listing;
    }

  private:
    std::unique_ptr<IPrinterList> system_;
};

}  // namespace

std::unique_ptr<IPrinterList> CreateCapturePrinterList(std::unique_ptr<IPrinterList> system) {
    return std::make_unique<CapturePrinterList>(std::move(system));
}

}  // namespace bpconf::platform
