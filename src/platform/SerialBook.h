// Where serial numbers are kept: the next counter value and the ledger of every serial number a
// run took, on the station (the counter file or registry value beside the record's SQLite file)
// or on the line (one PostgreSQL database for every station). Storage only: which number a run
// takes, when the counter moves and what a row's state means is the serial-number policy's.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/CounterStore.h"

namespace bpconf::platform {

// One row of the ledger as it is stored.
struct LedgerEntry {
    std::string serial;  // the year-month stamp and the counter: "2026120017"
    std::string state;   // the policy's word for it
    std::string station;
    std::string runId;
    bool reused = false;  // the operator confirmed a number used before
};

// An explicit setting of the counter (not a run taking a number), kept with the ledger.
struct CounterSetting {
    std::string from, to;  // the counter before and after
    std::string station;
    std::string reason;   // who set it and how: "window closed", "bpconf-cli db set-counter"
    bool forced = false;  // set below numbers of the ledger on purpose
};

// What a storage operation came to, and which part failed.
struct BookResult {
    enum class Failure {
        None,
        CounterUnreadable,  // the counter cannot be read; nothing was written
        CounterLocked,      // another program held the counter past the bound
        CounterUnwritable,  // the counter could not be stored; nothing was kept
        LedgerUnreadable,   // the ledger cannot be read
        LedgerUnwritable,   // the ledger cannot be written; nothing was kept
        Duplicate,          // the ledger refuses a second unit for the serial number
    };
    Failure failure = Failure::None;
    std::string reason;  // the system's (or database's) words
    bool ok() const { return failure == Failure::None; }
    explicit operator bool() const { return ok(); }
};

// What the ledger and the record hold of one serial number.
struct SerialFacts {
    std::vector<LedgerEntry> rows;  // the ledger's rows of it, any state
    bool recorded = false;          // a unit entry of the record names it as stamped
};

// Reading the ledger.
class ILedgerReader {
  public:
    virtual ~ILedgerReader() = default;
    virtual BookResult Find(const std::string& serial, SerialFacts& facts) = 0;
    // The highest serial number of the ledger that starts with prefix (the longest, then the
    // greatest: "20261210000" is above "2026129999"); "" when there is none.
    virtual BookResult Highest(const std::string& prefix, std::string& serial) = 0;
    // The newest explicit setting of the counter; found = false when there is none.
    virtual BookResult LastSetting(CounterSetting& setting, bool& found) = 0;
};

// The counter and the ledger inside one exclusive section of the book.
class ISerialSection : public ILedgerReader {
  public:
    // The counter as it stood when the section began.
    virtual const StoredValue& Counter() const = 0;
    // Adds a row (Failure::Duplicate when the ledger refuses it).
    virtual BookResult Add(const LedgerEntry& entry) = 0;
    // The counter to store when the section ends well; not called: the counter stays.
    virtual void SetCounter(const std::string& text) = 0;
    // Keeps a note of an explicit setting of the counter.
    virtual BookResult Note(const CounterSetting& setting) = 0;
};

class ISerialBook {
  public:
    virtual ~ISerialBook() = default;

    // The counter, without any lock.
    virtual StoredValue ReadCounter() = 0;

    // Runs work under the book's exclusive lock, which every program of the station (or every
    // station of the line) honours: the rows it added, the counter it set and its notes are kept
    // together when it returns true, none of them when it returns false or throws. A counter that
    // cannot be read is not given to work: the section fails before it starts. Where the counter
    // and the ledger are two stores, the counter is stored first: a crash between the two leaves
    // a number nobody took (a gap), never a number on two units.
    virtual BookResult Exclusive(const std::function<bool(ISerialSection&)>& work) = 0;

    // Reads the ledger outside a section.
    virtual ILedgerReader& Ledger() = 0;

    // Moves the row of (serial, runId) from state `from` to state `to`; changed: the rows moved.
    virtual BookResult Update(const std::string& serial, const std::string& runId,
                              const std::string& from, const std::string& to, int& changed) = 0;

    // The ledger's rows whose serial number begins with prefix, in the numbers' order, and every
    // explicit setting of the counter, oldest first: what an account of a month is made of.
    virtual BookResult Rows(const std::string& prefix, std::vector<LedgerEntry>& rows) {
        rows.clear();
        return Unlisted(prefix);
    }
    virtual BookResult Settings(std::vector<CounterSetting>& settings) {
        settings.clear();
        return Unlisted("");
    }

    // Where the counter and the ledger are, for the operator's messages.
    virtual std::string CounterLocation() const = 0;
    virtual std::string LedgerLocation() const = 0;

  private:
    BookResult Unlisted(const std::string&) {
        BookResult r;
        r.failure = BookResult::Failure::LedgerUnreadable;
        r.reason = LedgerLocation() + " cannot be listed";
        return r;
    }
};

}  // namespace bpconf::platform
