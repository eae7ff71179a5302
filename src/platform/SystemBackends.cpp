#include "platform/Backends.h"

namespace bpconf::platform {

LineSettings LineSettingsFromEnvironment() {
    LineSettings line;
    line.station = EnvironmentVariable("BPCONF_STATION").value_or("");
    line.databaseUrl = EnvironmentVariable("BPCONF_DATABASE_URL").value_or("");
    return line;
}

CounterAndRecord CreateCounterAndRecord(const LineSettings& line) {
    CounterAndRecord c;
    c.station = line.station.empty() ? HostName() : line.station;
    if (line.databaseUrl.empty() ||
        !CreateLineDatabaseBackends(line.databaseUrl, c.counter, c.record)) {
        c.lineDatabaseIgnored = !line.databaseUrl.empty();
        c.counter = CreateStationCounterStore();
        c.record = CreateStationRecord();
    }
    return c;
}

SystemBackends CreateSystemBackends(const std::string& captureDir, const LineSettings& line) {
    SystemBackends b;
    b.printers = CreateSystemPrinterList();
    b.spooler = CreateSystemSpooler();
    if (!captureDir.empty()) {
        b.printers = CreateCapturePrinterList(std::move(b.printers));
        b.spooler = CreateCaptureSpooler(std::move(b.spooler), captureDir);
    }
    b.ports = CreateSystemPortDevices();
    CounterAndRecord c = CreateCounterAndRecord(line);
    b.counter = std::move(c.counter);
    b.record = std::move(c.record);
    b.station = std::move(c.station);
    b.lineDatabaseIgnored = c.lineDatabaseIgnored;
    b.locale = CreateSystemLocale();
    b.clock = CreateSystemClock();
    return b;
}

}  // namespace bpconf::platform
