// The back ends of this platform, and the one place that picks them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/CounterStore.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/LineDirectory.h"
#include "platform/Ports.h"
#include "platform/Printers.h"
#include "platform/SerialBook.h"
#include "platform/StationStore.h"
#include "platform/UnitRecord.h"

namespace bpconf::platform {

// The name of the capture printer, whose jobs land as numbered files.
inline constexpr const char* kCapturePrinterName = "bpconf-capture";

// The system's printers and spooler (CUPS on Linux, the Windows spooler on Windows).
std::unique_ptr<IPrinterList> CreateSystemPrinterList();
std::unique_ptr<ISpooler> CreateSystemSpooler();

// Adds the capture printer after the system's printers; it is the default only when the system
// names none. Its jobs are written to captureDir as job-0001.bin, job-0002.bin, …
std::unique_ptr<IPrinterList> CreateCapturePrinterList(std::unique_ptr<IPrinterList> system);
std::unique_ptr<ISpooler> CreateCaptureSpooler(std::unique_ptr<ISpooler> system,
                                               std::string captureDir);

// Port devices: "LPT1" … "LPT3" name the parallel ports; any other name is a device path.
std::unique_ptr<IPortDevices> CreateSystemPortDevices();
// The device path a port name stands for.
std::string PortDevicePath(const std::string& portName);

// The counter store: the registry on Windows; elsewhere a registry-export text file,
// $XDG_CONFIG_HOME/kelvor/PrinterTest.reg (~/.config when XDG_CONFIG_HOME is unset). Without an
// absolute folder to keep it in, the store is one that says why on every read and change, never
// a file in whatever folder the tool was started from.
std::unique_ptr<ICounterStore> CreateSystemCounterStore();
std::unique_ptr<ICounterStore> CreateFileCounterStore(std::string path);
std::optional<std::string> DefaultCounterFilePath(std::string& whyNot);

// The station's record: $XDG_DATA_HOME/bpconf/units.sqlite (~/.local/share when XDG_DATA_HOME is
// unset); %LOCALAPPDATA%\bpconf\units.sqlite on Windows. Nothing (and why not) without an
// absolute folder.
std::optional<std::string> DefaultRecordPath(std::string& whyNot);

// The line a station works on: its name, and the line's database when there is one.
struct LineSettings {
    std::string station;      // "" : the host name on the station's own counter; none on a line
    std::string databaseUrl;  // "" : the station's own counter and record
};
// BPCONF_STATION and BPCONF_DATABASE_URL.
LineSettings LineSettingsFromEnvironment();
std::string HostName();

// Whether this build has a database client for a line's database (a Windows build made without
// the cross-built libpq has none).
bool LineDatabaseAvailable();
// The serial numbers, the record and the stations on the line's database, on one connection;
// false where this build has no database client.
bool CreateLineDatabaseBackends(const std::string& url, std::unique_ptr<ISerialBook>& book,
                                std::unique_ptr<IUnitRecord>& record,
                                std::unique_ptr<ILineDirectory>& directory);
// Creates the line database's schema; running it again changes nothing.
RecordResult InitLineDatabaseSchema(const std::string& url);

// Where serial numbers are kept and runs are recorded: the line's database when line.databaseUrl
// names one (and this build can use it), else the station's counter with the ledger in the
// station's record; the station's name (on its own counter the host name unless line.station
// gives one; on a line only the one given).
struct SerialsAndRecord {
    std::unique_ptr<ISerialBook> book;
    std::unique_ptr<IUnitRecord> record;
    // The station's own file: its facts and what waits for the line (nothing without a data
    // folder: stationWhyNot says why).
    std::unique_ptr<IStationStore> stationStore;
    std::string stationWhyNot;
    // The line's stations and schema: only on a line.
    std::unique_ptr<ILineDirectory> directory;
    std::string station;
    // A line database was named but this build has no client for it: the station's own
    // counter and record are set up (for reading), and every run is refused before its first
    // byte (the line's policy), never stamped from the station's counter.
    bool lineDatabaseIgnored = false;
};
// readOnly: for a dry run, which reads the counter and the ledger and creates nothing.
SerialsAndRecord CreateSerialsAndRecord(const LineSettings& line, bool readOnly = false);
// A line database is named that this build cannot use (see SerialsAndRecord).
inline bool LineDatabaseIgnored(const LineSettings& line) {
    return !line.databaseUrl.empty() && !LineDatabaseAvailable();
}

std::unique_ptr<ILocale> CreateSystemLocale();
// The Windows language ID ("0804") of a POSIX locale name ("zh_CN.UTF-8").
std::string LanguageIdForLocale(const std::string& localeName);

std::unique_ptr<IClock> CreateSystemClock();

// Message boxes written to standard error as "CAPTION: TEXT" after the prefix, one line each,
// for the command line.
std::unique_ptr<IMessageBoxes> CreateConsoleMessageBoxes(const std::string& prefix = "");

// The platform's services for the tool, the capture printer added when captureDir is not empty.
struct SystemBackends {
    std::unique_ptr<IPrinterList> printers;
    std::unique_ptr<ISpooler> spooler;
    std::unique_ptr<IPortDevices> ports;
    std::unique_ptr<ISerialBook> serials;
    std::unique_ptr<ILocale> locale;
    std::unique_ptr<IClock> clock;
    std::unique_ptr<IUnitRecord> record;
    std::unique_ptr<IStationStore> stationStore;
    std::string stationWhyNot;
    std::unique_ptr<ILineDirectory> directory;
    std::string station;
    bool lineDatabaseIgnored = false;  // see SerialsAndRecord
};
// The serial numbers and the record are the line's database when line.databaseUrl names one.
SystemBackends CreateSystemBackends(const std::string& captureDir,
                                    const LineSettings& line = LineSettings());

}  // namespace bpconf::platform
