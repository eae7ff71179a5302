// bpconf-cli printers: the installed printers, the default one marked.
#include <iostream>

#include "app/cli/CliOptions.h"

namespace bpconf::cli {

int Printers() {
    const platform::PrinterListing listing =
        platform::CreateSystemBackends(CaptureDirFromEnvironment()).printers->List();
    for (const auto& name : listing.names) {
        std::cout << (listing.defaultName == name ? "* " : "  ") << name << "\n";
    }
    if (listing.error != 0) {
        std::cerr << "bpconf-cli: the printer list is incomplete: " << ErrorLine(listing.error)
                  << "\n";
        return kExitDeliveryFailed;
    }
    return kExitOk;
}

}  // namespace bpconf::cli
