// The record of the line: one entry per update run, written once when the run ends, whatever way
// it ends, so that the factory can say how any unit it shipped was configured. Kept in a SQLite
// file on the station, or in the line's PostgreSQL database shared by several stations.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bpconf::platform {

// One message of a run and what became of it.
struct RecordedMessage {
    std::string message;  // as bpconf-cli decode prints it: "STDP 28", "STSN \"2026120001\""
    std::string result;   // "done", "failed" or "not sent"
    std::uint32_t error = 0;
    std::string errorText;
};

struct UnitEntry {
    std::string runId;
    std::string started, ended;  // UTC, ISO 8601: "2026-12-08T09:30:00.125Z"
    std::string station;
    std::string language;       // the interface language: "chinese", "english"
    std::string target;         // "printer NAME", "port LPT1", "capture FOLDER"
    std::string serial;         // the serial number whose message left the tool, or "" for none
    bool reusedSerial = false;  // the operator confirmed a serial number used before
    std::vector<RecordedMessage> messages;
    std::string packageName;  // "" without a package
    std::uint64_t packageSize = 0;
    std::string packageSha256;  // lower-case hex
    std::string outcome;        // "finished", "ended early", "closed", "delivery failed",
                                // "not confirmed"
    std::string detail;         // why it ended early or failed, as the operator read it
    std::string version;        // the tool's version
};

// Which entries to read; every field left empty matches all.
struct UnitQuery {
    std::string since, until;  // dates "YYYY-MM-DD" (UTC) of the start, both inclusive
    std::string station;
    std::string serial;
    std::string runId;
};

// What a write or a read came to; `reason` in the system's (or database's) words.
struct RecordResult {
    bool ok = true;
    std::string reason;
    explicit operator bool() const { return ok; }
};

class IUnitRecord {
  public:
    virtual ~IUnitRecord() = default;

    // Writes the entry and its messages in one transaction: it is there whole or not at all.
    virtual RecordResult Write(const UnitEntry& entry) = 0;

    // The entries in the order they started.
    virtual RecordResult Read(const UnitQuery& query, std::vector<UnitEntry>& entries) = 0;

    // Whether an entry can be written now (nothing is kept): a run asks before its first byte.
    virtual RecordResult Probe() = 0;

    // Where the record is, for the operator's messages (a file, a database).
    virtual std::string Location() const = 0;
};

}  // namespace bpconf::platform
