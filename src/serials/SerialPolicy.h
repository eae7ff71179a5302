// The serial-number policy: which number a unit gets, when the counter moves, when a number may
// go on a second unit, and what the ledger says of each number afterwards. The window, the
// command line and every back end follow it, so one input gives one answer everywhere.
//
// - The stamp is the year-month and the counter zero-filled to at least four digits.
// - A run checks its number before its first byte (Plan) and takes it at the stamp (Take), under
//   the book's exclusive lock: the operator's number when one was set, else the counter's.
// - A number on a unit already is stamped again only when the operator confirmed that very
//   number; the counter's own number on a unit means the counter was set back: refused.
// - The counter moves forward only: after a take it stands past the number taken, never back
//   (a reuse, or a number below it, leaves it where it was). Only an explicit setting moves it
//   otherwise, never below numbers of the ledger with the stamp unless forced, and every setting
//   is noted.
// - A taken number is reserved before its message can leave; it is settled stamped or void once
//   the run knows; one handed over and never confirmed stays reserved (on a unit, for safety).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/SerialBook.h"
#include "serials/SerialState.h"

namespace bpconf::serials {

// Why no number is given, or a setting refused.
struct SerialProblem {
    enum class Kind {
        None,
        OnAUnit,            // the operator's number is on a unit already (a reuse to confirm)
        CounterBehind,      // the counter's number is on a unit already: it was set back
        TakenMeanwhile,     // another station took the number between the check and the take
        CounterUnusable,    // the counter holds no counter value, and no operator number helps
        AtLimit,            // the counter is at kLargestCounter: no next number can be stored
        BelowLedger,        // a setting below numbers of the ledger
        CounterUnreadable,  // the storage's own failures, from the book
        CounterLocked,
        CounterUnwritable,
        LedgerUnreadable,
        LedgerUnwritable,
        NotSettled,  // the ledger holds no reserved row of the number for the run
        // The ledger cannot be reached now: the settling waits on the station and is made when
        // it can be (not a failure: the number's state is kept).
        SettleWaiting,
    };
    Kind kind = Kind::None;
    std::string serial;    // the serial number concerned
    std::string nextFree;  // the next free serial number, where it is known
    std::string stored;    // CounterUnusable: the stored text in quotes, "" for no text at all
    std::string reason;    // the system's words
    bool ok() const { return kind == Kind::None; }
    explicit operator bool() const { return ok(); }
};

// The number a run is about to take, checked before its first byte.
struct SerialPlan {
    SerialProblem problem;
    std::int32_t number = 0;
    std::string serial;
    bool fromOperator = false;
    bool reuse = false;  // on a unit already, and confirmed
};

struct TakeRequest {
    std::string stamp;
    // Claims the operator's number for this stamp, once; called inside the exclusive section, so
    // two runs sharing one operator's number never both take it. Empty or nothing: the counter.
    std::function<std::optional<std::int32_t>()> claimOperatorNumber;
    std::string confirmedReuse;  // a serial number the operator allowed on a second unit
    std::string runId, station;
};

// A number taken for a unit.
struct TakenSerial {
    std::string serial;       // "2026120005"
    std::string counterText;  // "0005": what follows the stamp
    std::int32_t number = 0;
    bool reused = false;
    bool fromOperator = false;
    std::optional<std::int32_t> nextCounter;  // the counter after the take; nothing: unchanged
    std::string runId;
};

// Where a settling that cannot reach the ledger now waits to be made later: the station's own
// file, for a line's database that is away.
class ISettleQueue {
  public:
    virtual ~ISettleQueue() = default;
    // Keeps the settling of (serial, runId) from `from` to `to`; false with the reason when it
    // cannot be kept (or there is no such place).
    virtual bool QueueSettle(const std::string& serial, const std::string& runId, SerialState from,
                             SerialState to, std::string& reason) = 0;
};

class SerialPolicy {
  public:
    // queue: where a settling the book cannot take now waits (nothing: it fails).
    explicit SerialPolicy(platform::ISerialBook& book, ISettleQueue* queue = nullptr)
        : book_(book), queue_(queue) {}

    // The number a run with this stamp would take now (operatorNumber: the operator's number,
    // else the counter's), checked against the ledger in a section of the book that takes
    // nothing: a lock, a counter or a ledger the take could not have is found here too.
    SerialPlan Plan(const std::string& stamp, std::optional<std::int32_t> operatorNumber,
                    const std::string& confirmedReuse);

    // Takes the number for a unit and reserves it, the counter moved as the policy says.
    SerialProblem Take(const TakeRequest& request, TakenSerial& taken);

    // Settles a taken number: stamped or void (Reserved leaves it as it is). A book that cannot
    // be written now hands the settling to the queue (SettleWaiting): the number stays reserved
    // until it is made, never settled otherwise.
    SerialProblem Settle(const TakenSerial& taken, SerialState state);
    // Makes a settling that waited: done when the row has the state already (made once before).
    SerialProblem SettleWaiting(const std::string& serial, const std::string& runId,
                                const std::string& from, const std::string& to);

    // Sets the counter to value (the operator's explicit setting), refused below numbers of the
    // ledger that have this stamp unless forced; noted in the ledger with the reason.
    SerialProblem SetCounter(std::int32_t value, const std::string& stamp,
                             const std::string& station, const std::string& reason, bool force);

    // The first start: "0001" stored when there is no counter at all. The counter as it is
    // afterwards, when it holds one (nothing for a value that is no counter).
    SerialProblem StartCounter(std::optional<std::int32_t>& counter);

  private:
    platform::ISerialBook& book_;
    ISettleQueue* queue_;
};

}  // namespace bpconf::serials
