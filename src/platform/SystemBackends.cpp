#include "platform/Backends.h"

namespace bpconf::platform {

SystemBackends CreateSystemBackends(const std::string& captureDir) {
    SystemBackends b;
    b.printers = CreateSystemPrinterList();
    b.spooler = CreateSystemSpooler();
    if (!captureDir.empty()) {
        b.printers = CreateCapturePrinterList(std::move(b.printers));
        b.spooler = CreateCaptureSpooler(std::move(b.spooler), captureDir);
    }
    b.ports = CreateSystemPortDevices();
    b.counter = CreateSystemCounterStore();
    b.locale = CreateSystemLocale();
    b.clock = CreateSystemClock();
    return b;
}

}  // namespace bpconf::platform
