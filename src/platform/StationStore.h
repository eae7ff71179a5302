// What a station keeps of itself in its own record file, beside its entries: facts by name (its
// machine identity, the line it joined) and what still has to reach the line's database, in the
// order it happened. Storage only: when an entry waits and how it is sent is the line's policy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/UnitRecord.h"

namespace bpconf::platform {

// Which line a thing waits for (its address as shown), and the station name it happened on.
struct LineTag {
    std::string line, station;
};

// One thing waiting for the line: a run's entry, or the settling of a serial number.
struct WaitingItem {
    enum class Kind { Entry, Settle };
    std::int64_t seq = 0;  // the order it happened in
    Kind kind = Kind::Entry;
    UnitEntry entry;  // Entry: the entry as the station's record holds it
    // Settle: the ledger row of (serial, runId) goes from `from` to `to`.
    std::string serial, runId, from, to;
};

class IStationStore {
  public:
    virtual ~IStationStore() = default;

    // A fact by name; found = false when the station never kept it.
    virtual RecordResult Fact(const std::string& name, std::string& value, bool& found) = 0;
    virtual RecordResult SetFact(const std::string& name, const std::string& value) = 0;
    virtual RecordResult RemoveFact(const std::string& name) = 0;
    // Keeps the fact unless one of that name is kept already; value: the one kept afterwards.
    virtual RecordResult KeepFirst(const std::string& name, std::string& value) = 0;

    // Writes the entry to the station's record; with a line: queued for it as well, in the same
    // transaction (both or neither).
    virtual RecordResult WriteEntry(const UnitEntry& entry, const LineTag* forLine) = 0;
    virtual RecordResult QueueSettle(const std::string& serial, const std::string& runId,
                                     const std::string& from, const std::string& to,
                                     const LineTag& forLine) = 0;
    // What waits for that line under that name, oldest first (at most `limit` items).
    virtual RecordResult Waiting(const LineTag& forLine, std::vector<WaitingItem>& items,
                                 int limit) = 0;
    // What waits for another line, or under another name: how much, and for which (the oldest).
    virtual RecordResult WaitingElsewhere(const LineTag& forLine, LineTag& other, int& count) = 0;
    virtual RecordResult CountWaiting(int& count) = 0;
    // The run ids of the entries that wait.
    virtual RecordResult WaitingRuns(std::vector<std::string>& runIds) = 0;
    // The item reached the line: it waits no more.
    virtual RecordResult Sent(const WaitingItem& item) = 0;

    virtual std::string Location() const = 0;
};

}  // namespace bpconf::platform
