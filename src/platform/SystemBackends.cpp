#include "platform/Backends.h"

#include "platform/SqliteDatabase.h"
#include "platform/SqliteUnitRecord.h"
#include "platform/StationSerialBook.h"
#include "platform/UnavailableUnitRecord.h"

namespace bpconf::platform {

LineSettings LineSettingsFromEnvironment() {
    LineSettings line;
    line.station = EnvironmentVariable("BPCONF_STATION").value_or("");
    line.databaseUrl = EnvironmentVariable("BPCONF_DATABASE_URL").value_or("");
    return line;
}

namespace {

// The station's counter with its ledger and its record in one SQLite file, on one connection.
void CreateStationBackends(SerialsAndRecord& s, bool readOnly) {
    std::string whyNot;
    if (const auto path = DefaultRecordPath(whyNot)) {
        auto db = std::make_shared<SqliteDatabase>(*path, 30000, readOnly);
        s.book = std::make_unique<StationSerialBook>(CreateSystemCounterStore(), db);
        s.record = std::make_unique<SqliteUnitRecord>(db);
        return;
    }
    // Without a data folder neither the ledger nor the record can be kept: every call says why.
    s.book = std::make_unique<StationSerialBook>(CreateSystemCounterStore(), nullptr, whyNot);
    s.record = std::make_unique<UnavailableUnitRecord>("units.sqlite", whyNot);
}

}  // namespace

SerialsAndRecord CreateSerialsAndRecord(const LineSettings& line, bool readOnly) {
    SerialsAndRecord s;
    s.station = line.station.empty() ? HostName() : line.station;
    if (line.databaseUrl.empty() ||
        !CreateLineDatabaseBackends(line.databaseUrl, s.book, s.record)) {
        s.lineDatabaseIgnored = LineDatabaseIgnored(line);
        CreateStationBackends(s, readOnly);
    }
    return s;
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
    SerialsAndRecord s = CreateSerialsAndRecord(line);
    b.serials = std::move(s.book);
    b.record = std::move(s.record);
    b.station = std::move(s.station);
    b.lineDatabaseIgnored = s.lineDatabaseIgnored;
    b.locale = CreateSystemLocale();
    b.clock = CreateSystemClock();
    return b;
}

}  // namespace bpconf::platform
