#include "serials/SerialPolicy.h"

#include <algorithm>

#include "platform/AsciiText.h"
#include "serials/SerialNumber.h"

namespace bpconf::serials {

namespace {

using Kind = SerialProblem::Kind;
using platform::BookResult;
using platform::StoredValue;

SerialProblem Problem(Kind kind, std::string reason = "") {
    SerialProblem p;
    p.kind = kind;
    p.reason = std::move(reason);
    return p;
}

SerialProblem FromBook(const BookResult& r) {
    switch (r.failure) {
        case BookResult::Failure::None:
            return {};
        case BookResult::Failure::CounterUnreadable:
            return Problem(Kind::CounterUnreadable, r.reason);
        case BookResult::Failure::CounterLocked:
            return Problem(Kind::CounterLocked, r.reason);
        case BookResult::Failure::CounterUnwritable:
            return Problem(Kind::CounterUnwritable, r.reason);
        case BookResult::Failure::LedgerUnreadable:
            return Problem(Kind::LedgerUnreadable, r.reason);
        case BookResult::Failure::LedgerUnwritable:
        case BookResult::Failure::Duplicate:
            return Problem(Kind::LedgerUnwritable, r.reason);
    }
    return Problem(Kind::LedgerUnwritable, r.reason);
}

// The counter a stored value holds: a first start (no value) begins at 1.
SerialProblem CounterValue(const StoredValue& stored, std::int32_t& value) {
    switch (stored.kind) {
        case StoredValue::Kind::Missing:
            value = 1;
            return {};
        case StoredValue::Kind::Unreadable:
            return Problem(Kind::CounterUnreadable, stored.reason);
        case StoredValue::Kind::NotAString:
            return Problem(Kind::CounterUnusable);
        case StoredValue::Kind::Text:
            if (const auto parsed = ParseCounter(stored.text)) {
                value = *parsed;
                return {};
            }
            SerialProblem p = Problem(Kind::CounterUnusable);
            p.stored = "\"" + stored.text + "\"";
            return p;
    }
    return Problem(Kind::CounterUnusable);
}

// One past the largest counter of the ledger's numbers with this stamp; 0 when there are none.
SerialProblem HighWater(platform::ILedgerReader& ledger, const std::string& stamp,
                        std::int64_t& high) {
    std::string serial;
    if (const BookResult r = ledger.Highest(stamp, serial); !r)
        return FromBook(r);
    const auto counter = CounterOf(serial, stamp);
    high = counter ? *counter + 1 : 0;
    return {};
}

// Whether the counter stands below numbers of the ledger on purpose: the newest setting of the
// counter was forced, to a value it has only moved forward from since.
SerialProblem ForcedBelow(platform::ILedgerReader& ledger, std::int64_t counter, bool& forced) {
    platform::CounterSetting setting;
    bool found = false;
    if (const BookResult r = ledger.LastSetting(setting, found); !r)
        return FromBook(r);
    const auto to = ParseCounter(setting.to);
    forced = found && setting.forced && to && *to <= counter;
    return {};
}

// Whether the counter's own number may be stamped: on no unit, and not below numbers of the
// ledger with the stamp (a counter set back by hand, a backup restored, a fresh counter beside
// an older record) unless set there on purpose.
SerialProblem CounterNumberFree(platform::ILedgerReader& ledger, const std::string& stamp,
                                std::int32_t counter, bool& free) {
    platform::SerialFacts facts;
    if (const BookResult r = ledger.Find(SerialText(stamp, counter), facts); !r)
        return FromBook(r);
    free = !OnAUnit(facts);
    if (!free)
        return {};
    std::int64_t high = 0;
    if (SerialProblem p = HighWater(ledger, stamp, high); !p)
        return p;
    if (counter >= high)
        return {};
    return ForcedBelow(ledger, counter, free);
}

// The next free serial number: the counter's when it may be stamped, else past every number of
// the ledger with this stamp.
SerialProblem NextFreeIn(platform::ILedgerReader& ledger, const StoredValue& stored,
                         const std::string& stamp, std::string& serial) {
    std::int32_t counter = 1;
    if (CounterValue(stored, counter)) {
        bool free = false;
        if (SerialProblem p = CounterNumberFree(ledger, stamp, counter, free); !p)
            return p;
        if (free) {
            serial = SerialText(stamp, counter);
            return {};
        }
    }
    std::int64_t high = 0;
    if (SerialProblem p = HighWater(ledger, stamp, high); !p)
        return p;
    serial = SerialText(stamp, std::max<std::int64_t>(counter, high));
    return {};
}

// The problem of stamping a number (fromOperator: the operator's number, else the counter's).
SerialProblem CheckNumber(platform::ILedgerReader& ledger, const StoredValue& stored,
                          const std::string& stamp, std::int32_t number, bool fromOperator,
                          const std::string& confirmedReuse, bool& reuse) {
    const std::string serial = SerialText(stamp, number);
    reuse = false;
    bool free = false;
    if (fromOperator) {
        // The operator's choice: any number on no unit, or one confirmed.
        platform::SerialFacts facts;
        if (const BookResult r = ledger.Find(serial, facts); !r)
            return FromBook(r);
        free = !OnAUnit(facts);
        reuse = !free && serial == confirmedReuse;
    } else if (SerialProblem p = CounterNumberFree(ledger, stamp, number, free); !p) {
        return p;
    }
    if (!free && !reuse) {
        SerialProblem p = Problem(fromOperator ? Kind::OnAUnit : Kind::CounterBehind);
        p.serial = serial;
        if (SerialProblem q = NextFreeIn(ledger, stored, stamp, p.nextFree); !q)
            return q;
        return p;
    }
    if (!reuse && number == kLargestCounter) {
        SerialProblem p = Problem(Kind::AtLimit);
        p.serial = serial;
        return p;
    }
    return {};
}

}  // namespace

SerialPlan SerialPolicy::Plan(const std::string& rawStamp,
                              std::optional<std::int32_t> operatorNumber,
                              const std::string& confirmedReuse) {
    SerialPlan plan;
    const std::string stamp = text::Trim(rawStamp);
    plan.fromOperator = operatorNumber.has_value();
    // Inside a section, as the take will be: a lock held past its bound, a counter or a ledger
    // that cannot be written, are found now. Nothing is taken.
    const BookResult done = book_.Exclusive([&](platform::ISerialSection& section) {
        if (operatorNumber) {
            plan.number = *operatorNumber;
        } else if (SerialProblem p = CounterValue(section.Counter(), plan.number); !p) {
            plan.problem = p;
            return false;
        }
        plan.serial = SerialText(stamp, plan.number);
        plan.problem = CheckNumber(section, section.Counter(), stamp, plan.number,
                                   plan.fromOperator, confirmedReuse, plan.reuse);
        // The counter stored as the take will find it (again as it is, or its first value): a
        // store that cannot be written (a read-only folder, a full disk) stops the run now, not
        // at its stamp.
        if (!plan.problem)
            return false;
        const StoredValue& stored = section.Counter();
        std::int32_t counter = 0;
        if (CounterValue(stored, counter) && stored.kind == StoredValue::Kind::Text) {
            section.SetCounter(stored.text);
        } else if (stored.kind == StoredValue::Kind::Missing && !operatorNumber) {
            section.SetCounter(FormatCounter(1));
        } else {
            // No usable value: the operator's number mends it, past the ledger's numbers.
            std::int64_t high = 0;
            if (plan.problem = HighWater(section, stamp, high); !plan.problem)
                return false;
            section.SetCounter(FormatCounter(std::max<std::int64_t>(plan.number, high)));
        }
        return true;
    });
    if (!done)
        plan.problem = FromBook(done);
    return plan;
}

SerialProblem SerialPolicy::Take(const TakeRequest& request, TakenSerial& taken) {
    taken = TakenSerial();
    const std::string stamp = text::Trim(request.stamp);
    SerialProblem problem;
    const BookResult done = book_.Exclusive([&](platform::ISerialSection& section) {
        std::optional<std::int32_t> number;
        if (request.claimOperatorNumber)
            number = request.claimOperatorNumber();
        std::int32_t counter = 0;
        const SerialProblem counterProblem = CounterValue(section.Counter(), counter);
        taken.fromOperator = number.has_value();
        if (!number) {
            if (!counterProblem) {
                problem = counterProblem;
                return false;
            }
            number = counter;
        }
        taken.number = *number;
        taken.serial = SerialText(stamp, *number);
        taken.counterText = FormatCounter(*number);
        taken.runId = request.runId;
        problem = CheckNumber(section, section.Counter(), stamp, *number, taken.fromOperator,
                              request.confirmedReuse, taken.reused);
        if (!problem)
            return false;
        const BookResult added = section.Add({taken.serial, StateName(SerialState::Reserved),
                                              request.station, request.runId, taken.reused});
        if (added.failure == BookResult::Failure::Duplicate) {
            // Taken by another station since it was looked at: never a second unit.
            problem = Problem(Kind::TakenMeanwhile);
            problem.serial = taken.serial;
            NextFreeIn(section, section.Counter(), stamp, problem.nextFree);
            return false;
        }
        if (!added) {
            problem = FromBook(added);
            return false;
        }
        // The counter moves forward only: past the number taken, never back (numbers between may
        // be on units the ledger does not know of); a reuse leaves it where it stands. A counter
        // that held no value (or none usable) is set past the ledger's numbers as well.
        const bool usable = counterProblem.kind == Kind::None;
        if (taken.reused && usable)
            return true;
        std::int64_t to = static_cast<std::int64_t>(*number) + 1;
        if (usable) {
            to = std::max<std::int64_t>(to, counter);
        } else {
            std::int64_t high = 0;
            if (problem = HighWater(section, stamp, high); !problem)
                return false;
            to = std::max(to, high);
        }
        to = std::min<std::int64_t>(to, kLargestCounter);
        if (!usable || to != counter) {
            taken.nextCounter = static_cast<std::int32_t>(to);
            section.SetCounter(FormatCounter(*taken.nextCounter));
        }
        return true;
    });
    if (!done)
        return FromBook(done);
    return problem;
}

SerialProblem SerialPolicy::Settle(const TakenSerial& taken, SerialState state) {
    if (state == SerialState::Reserved)
        return {};
    SerialProblem p = SettleWaiting(taken.serial, taken.runId, StateName(SerialState::Reserved),
                                    StateName(state));
    if (p.kind != Kind::LedgerUnwritable || queue_ == nullptr)
        return p;
    // The ledger is away (a line's database down): the settling waits on the station and is made
    // when the ledger is back, so the state the operator read is the one the ledger will hold.
    std::string reason;
    if (!queue_->QueueSettle(taken.serial, taken.runId, SerialState::Reserved, state, reason)) {
        p.reason += "; " + reason;
        return p;
    }
    SerialProblem waiting = Problem(Kind::SettleWaiting, p.reason);
    waiting.serial = taken.serial;
    return waiting;
}

SerialProblem SerialPolicy::SettleWaiting(const std::string& serial, const std::string& runId,
                                          const std::string& from, const std::string& to) {
    int changed = 0;
    if (const BookResult r = book_.Update(serial, runId, from, to, changed); !r) {
        SerialProblem p = FromBook(r);
        p.serial = serial;
        return p;
    }
    if (changed == 1)
        return {};
    // Sent again after a crash between the change and its note: the row has its state already.
    platform::SerialFacts facts;
    if (const BookResult r = book_.Ledger().Find(serial, facts); r) {
        for (const auto& row : facts.rows) {
            if (row.runId == runId && row.state == to)
                return {};
        }
    }
    SerialProblem p = Problem(Kind::NotSettled);
    p.serial = serial;
    return p;
}

SerialProblem SerialPolicy::SetCounter(std::int32_t value, const std::string& rawStamp,
                                       const std::string& station, const std::string& reason,
                                       bool force) {
    const std::string stamp = text::Trim(rawStamp);
    SerialProblem problem;
    const BookResult done = book_.Exclusive([&](platform::ISerialSection& section) {
        std::int64_t high = 0;
        if (problem = HighWater(section, stamp, high); !problem)
            return false;
        if (value < high && !force) {
            problem = Problem(Kind::BelowLedger);
            problem.serial = SerialText(stamp, value);
            NextFreeIn(section, section.Counter(), stamp, problem.nextFree);
            return false;
        }
        const StoredValue& stored = section.Counter();
        const std::string from = stored.kind == StoredValue::Kind::Text ? stored.text : "";
        const std::string to = FormatCounter(value);
        if (from == to)
            return true;
        section.SetCounter(to);
        if (const BookResult noted = section.Note({from, to, station, reason, value < high});
            !noted) {
            problem = FromBook(noted);
            return false;
        }
        return true;
    });
    if (!done)
        return FromBook(done);
    return problem;
}

SerialProblem SerialPolicy::StartCounter(std::optional<std::int32_t>& counter) {
    counter.reset();
    const StoredValue stored = book_.ReadCounter();
    std::int32_t value = 0;
    if (stored.kind != StoredValue::Kind::Missing) {
        if (CounterValue(stored, value))
            counter = value;
        return stored.kind == StoredValue::Kind::Unreadable
                   ? Problem(Kind::CounterUnreadable, stored.reason)
                   : SerialProblem();
    }
    // Under the lock: a value another program has written since is never overwritten.
    const BookResult done = book_.Exclusive([&](platform::ISerialSection& section) {
        if (section.Counter().kind == StoredValue::Kind::Missing) {
            section.SetCounter(FormatCounter(1));
            counter = 1;
        } else if (CounterValue(section.Counter(), value)) {
            counter = value;
        }
        return true;
    });
    if (!done) {
        counter.reset();
        return FromBook(done);
    }
    return {};
}

}  // namespace bpconf::serials
