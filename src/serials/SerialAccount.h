// An account of a month's serial numbers, from the record's entries and the ledger: every number
// from the first to the highest seen is on exactly one unit, on several (a duplicate, or a reuse
// the operator confirmed), void, reserved and never confirmed, or never taken, each with what
// the record and the ledger say of it. `bpconf-cli units --check` prints it; a duplicate nobody
// confirmed is the one thing that must never be there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/SerialBook.h"
#include "platform/UnitRecord.h"

namespace bpconf::serials {

// One unit a serial number is on: a run's entry, or a ledger row whose run left no entry.
struct UnitOfSerial {
    std::string runId, station, started, outcome;
    bool reused = false;   // the operator confirmed the number on this unit
    bool inRecord = true;  // false: known from the ledger alone
};

struct SerialAccountLine {
    enum class Standing {
        OnOneUnit,
        Duplicate,       // on two or more units, more than one not confirmed as a reuse
        ReuseConfirmed,  // on two or more units, all but one confirmed as a reuse
        Void,            // its message never left the tool
        Reserved,        // taken, and its message may have reached a unit: never confirmed
        NeverTaken,      // no run took it
    };
    std::int64_t counter = 0;
    std::string serial;
    Standing standing = Standing::NeverTaken;
    std::vector<UnitOfSerial> units;
    std::vector<platform::LedgerEntry> rows;  // the ledger's rows of it
    std::string why;  // NeverTaken: the counter setting that passed over it, or ""
};

struct SerialAccount {
    std::string stamp;
    std::vector<SerialAccountLine> lines;  // from 1 to the highest counter seen
    int Count(SerialAccountLine::Standing standing) const;
};

// The account of the month `stamp` ("202612"): entries are the record's (any month; others are
// left out), rows the ledger's of the month, settings every setting of the counter.
SerialAccount AccountFor(const std::string& stamp, const std::vector<platform::UnitEntry>& entries,
                         const std::vector<platform::LedgerEntry>& rows,
                         const std::vector<platform::CounterSetting>& settings);

// "run R (station A, 2026-12-08T09:30:00.125Z, finished)", or the ledger's word for a run that
// left no entry.
std::string UnitText(const UnitOfSerial& unit);
// Why a number is on no unit, from what the ledger holds of it ("" for one on a unit).
std::string GapText(const SerialAccountLine& line);

// Serial numbers as ranges within their month: {"2026120003", "2026120004", "2026120005",
// "2026120009"} gives "202612: 0003–0005, 0009"; months apart by "; ".
std::string SerialRanges(std::vector<std::string> serials);

}  // namespace bpconf::serials
