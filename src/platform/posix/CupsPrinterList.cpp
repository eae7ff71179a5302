// The installed printers and the default one, as the CUPS scheduler (CUPS_SERVER) lists them.
#include <cups/cups.h>

#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

class CupsPrinterList : public IPrinterList {
  public:
    PrinterListing List() override {
        PrinterListing listing;
        cups_dest_t* dests = nullptr;
        const int n = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
        // No printer at all is no failure; a scheduler that does not answer is.
        if (n == 0 && cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE) {
            listing.error = winerror::kServerUnavailable;
            return listing;
        }
        for (int i = 0; i < n; ++i) {
            if (dests[i].instance == nullptr)
                listing.names.emplace_back(dests[i].name);
        }
        cupsFreeDests(n, dests);
        if (cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr)) {
            listing.defaultName = dest->name;
            cupsFreeDests(1, dest);
        }
        return listing;
    }
};

}  // namespace

std::unique_ptr<IPrinterList> CreateSystemPrinterList() {
    return std::make_unique<CupsPrinterList>();
}

}  // namespace bpconf::platform
