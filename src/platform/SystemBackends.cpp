#include "platform/Backends.h"

#include "platform/SqliteDatabase.h"
#include "platform/SqliteStationStore.h"
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

// The station's counter with its ledger, its record and its own facts in one SQLite file, on one
// connection; on a line, only its own facts and the entries that wait for the line.
void CreateStationBackends(SerialsAndRecord& s, bool readOnly, bool onLine) {
    std::string whyNot;
    if (const auto path = DefaultRecordPath(whyNot)) {
        auto db = std::make_shared<SqliteDatabase>(*path, 30000, readOnly);
        s.stationStore = std::make_unique<SqliteStationStore>(db);
        if (!onLine) {
            s.book = std::make_unique<StationSerialBook>(CreateSystemCounterStore(), db);
            s.record = std::make_unique<SqliteUnitRecord>(db);
        }
        return;
    }
    // Without a data folder neither the ledger nor the record can be kept: every call says why.
    s.stationWhyNot = whyNot;
    if (!onLine) {
        s.book = std::make_unique<StationSerialBook>(CreateSystemCounterStore(), nullptr, whyNot);
        s.record = std::make_unique<UnavailableUnitRecord>("units.sqlite", whyNot);
    }
}

}  // namespace

SerialsAndRecord CreateSerialsAndRecord(const LineSettings& line, bool readOnly) {
    SerialsAndRecord s;
    const bool onLine = !line.databaseUrl.empty() &&
                        CreateLineDatabaseBackends(line.databaseUrl, s.book, s.record, s.directory);
    // A line station is named on purpose: never after whichever host it runs on.
    s.station = onLine || !line.station.empty() ? line.station : HostName();
    s.lineDatabaseIgnored = LineDatabaseIgnored(line);
    CreateStationBackends(s, readOnly, onLine);
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
    b.stationStore = std::move(s.stationStore);
    b.stationWhyNot = std::move(s.stationWhyNot);
    b.directory = std::move(s.directory);
    b.station = std::move(s.station);
    b.lineDatabaseIgnored = s.lineDatabaseIgnored;
    b.locale = CreateSystemLocale();
    b.clock = CreateSystemClock();
    return b;
}

}  // namespace bpconf::platform
