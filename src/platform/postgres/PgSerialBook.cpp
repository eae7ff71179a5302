#include "platform/postgres/PgSerialBook.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "platform/RecordSql.h"
#include "platform/UtcTime.h"

namespace bpconf::platform {

namespace {

using Failure = BookResult::Failure;

// SQLSTATE codes the book tells apart.
constexpr const char* kLockNotAvailable = "55P03";
constexpr const char* kUniqueViolation = "23505";

BookResult Failed(Failure failure, std::string reason) {
    BookResult r;
    r.failure = failure;
    r.reason = std::move(reason);
    return r;
}

// Runs a read of the ledger and hands its rows to read: inside a section on the section's
// connection as it is; outside one (retry) through the path that reconnects once.
BookResult ReadOn(PgConnection& c, const char* query, const std::vector<std::string>& params,
                  bool retry, const std::function<void(const PgResult&)>& read) {
    const PgResult rows = retry ? c.Query(query, params) : c.Exec(query, params);
    if (!rows.Ok())
        return Failed(Failure::LedgerUnreadable, rows.Error());
    read(rows);
    return {};
}

BookResult FindOn(PgConnection& c, const std::string& serial, SerialFacts& facts, bool retry) {
    facts = SerialFacts();
    const BookResult found = ReadOn(c, sql::kLedgerRows, {serial}, retry, [&](const PgResult& r) {
        for (int i = 0; i < r.Rows(); ++i) {
            facts.rows.push_back(
                {r.Text(i, 0), r.Text(i, 1), r.Text(i, 2), r.Text(i, 3), r.Text(i, 4) != "0"});
        }
    });
    if (!found)
        return found;
    PgResult recorded(c.Exec(sql::kRecordedSerial, {serial}));
    if (!recorded.Ok())
        return Failed(Failure::LedgerUnreadable, recorded.Error());
    facts.recorded = recorded.Rows() > 0;
    return {};
}

BookResult HighestOn(PgConnection& c, const std::string& prefix, std::string& serial, bool retry) {
    serial.clear();
    return ReadOn(c, sql::kHighestSerialInByteOrder, {prefix, prefix + ":"}, retry,
                  [&](const PgResult& r) {
                      if (r.Rows() > 0)
                          serial = r.Text(0, 0);
                  });
}

BookResult LastSettingOn(PgConnection& c, CounterSetting& setting, bool& found, bool retry) {
    found = false;
    return ReadOn(c, sql::kLastCounterSetting, {kLineSequence}, retry, [&](const PgResult& r) {
        found = r.Rows() > 0;
        if (found)
            setting = {r.Text(0, 0), r.Text(0, 1), r.Text(0, 2), r.Text(0, 3), r.Text(0, 4) != "0"};
    });
}

// The counter a read of the counters table holds (Missing without a row: the line's first
// number is yet to be set).
StoredValue CounterIn(const PgResult& r) {
    StoredValue v;
    if (r.Rows() > 0) {
        v.kind = StoredValue::Kind::Text;
        v.text = r.Text(0, 0);
    }
    return v;
}

class PgSection : public ISerialSection {
  public:
    PgSection(PgConnection& c, const StoredValue& counter) : c_(c), counter_(counter) {}
    const StoredValue& Counter() const override { return counter_; }
    BookResult Find(const std::string& serial, SerialFacts& facts) override {
        return FindOn(c_, serial, facts, false);
    }
    BookResult Highest(const std::string& prefix, std::string& serial) override {
        return HighestOn(c_, prefix, serial, false);
    }
    BookResult LastSetting(CounterSetting& setting, bool& found) override {
        return LastSettingOn(c_, setting, found, false);
    }
    BookResult Add(const LedgerEntry& e) override {
        // A refused row must not end the transaction: the savepoint keeps it usable.
        PgResult savepoint(c_.Exec("SAVEPOINT add_serial"));
        if (!savepoint.Ok())
            return Failed(Failure::LedgerUnwritable, savepoint.Error());
        PgResult add(c_.Exec(sql::kAddSerial, {e.serial, kLineSequence, e.state, e.station, e.runId,
                                               e.reused ? "1" : "0", UtcNow()}));
        if (add.Ok())
            return {};
        c_.Run("ROLLBACK TO SAVEPOINT add_serial");
        return Failed(
            add.State() == kUniqueViolation ? Failure::Duplicate : Failure::LedgerUnwritable,
            add.Error());
    }
    void SetCounter(const std::string& text) override { next_ = text; }
    BookResult Note(const CounterSetting& n) override {
        PgResult note(c_.Exec(sql::kNoteCounterSetting, {kLineSequence, UtcNow(), n.station, n.from,
                                                         n.to, n.forced ? "1" : "0", n.reason}));
        if (!note.Ok())
            return Failed(Failure::LedgerUnwritable, note.Error());
        return {};
    }
    const std::optional<std::string>& Next() const { return next_; }

  private:
    PgConnection& c_;
    StoredValue counter_;
    std::optional<std::string> next_;
};

}  // namespace

std::string PgSerialBook::CounterLocation() const {
    return c_->Where() + " (" + kLineSequence + ")";
}

std::string PgSerialBook::LedgerLocation() const {
    return c_->Where();
}

StoredValue PgSerialBook::ReadCounter() {
    StoredValue v;
    const PgResult r = c_->Query(sql::kReadCounter, {kLineSequence});
    if (!r.Ok()) {
        v.kind = StoredValue::Kind::Unreadable;
        v.reason = r.Error();
        return v;
    }
    return CounterIn(r);
}

BookResult PgSerialBook::Find(const std::string& serial, SerialFacts& facts) {
    return FindOn(*c_, serial, facts, true);
}

BookResult PgSerialBook::Highest(const std::string& prefix, std::string& serial) {
    return HighestOn(*c_, prefix, serial, true);
}

BookResult PgSerialBook::LastSetting(CounterSetting& setting, bool& found) {
    return LastSettingOn(*c_, setting, found, true);
}

BookResult PgSerialBook::Exclusive(const std::function<bool(ISerialSection&)>& work) {
    auto fail = [&](Failure failure, const std::string& reason) {
        c_->Run("ROLLBACK");
        return Failed(failure, reason);
    };
    if (std::string reason; !c_->Begin("BEGIN", reason))
        return fail(Failure::CounterUnreadable, reason);
    // The sequence's lock, held to the end of this transaction only.
    PgResult lock(c_->Exec("SELECT pg_advisory_xact_lock(hashtext('bpconf.counter.' || $1))",
                           {kLineSequence}));
    if (!lock.Ok()) {
        return fail(
            lock.State() == kLockNotAvailable ? Failure::CounterLocked : Failure::CounterUnreadable,
            lock.Error());
    }
    PgResult read(c_->Exec(sql::kReadCounter, {kLineSequence}));
    if (!read.Ok())
        return fail(Failure::CounterUnreadable, read.Error());
    PgSection section(*c_, CounterIn(read));
    bool keep = false;
    try {
        keep = work(section);
    } catch (...) {
        c_->Run("ROLLBACK");
        throw;
    }
    if (!keep) {
        c_->Run("ROLLBACK");
        return {};
    }
    if (const auto& next = section.Next()) {
        char* end = nullptr;
        const long long value = std::strtoll(next->c_str(), &end, 10);
        if (next->empty() || *end != '\0' || value < 0 ||
            value > std::numeric_limits<std::int32_t>::max())
            return fail(Failure::CounterUnwritable, "'" + *next + "' is no counter value");
        PgResult write(
            c_->Exec("INSERT INTO counters (name, next) VALUES ($1, $2)"
                     " ON CONFLICT (name) DO UPDATE SET next = EXCLUDED.next",
                     {kLineSequence, std::to_string(value)}));
        if (!write.Ok())
            return fail(Failure::CounterUnwritable, write.Error());
    }
    PgResult commit(c_->Exec("COMMIT"));
    if (!commit.Ok()) {
        // Whether the server kept it cannot be known: a number of it counts as used either way.
        return Failed(Failure::LedgerUnwritable, commit.Error());
    }
    return {};
}

BookResult PgSerialBook::Rows(const std::string& prefix, std::vector<LedgerEntry>& rows) {
    rows.clear();
    return ReadOn(
        *c_, sql::kLedgerRangeInByteOrder, {prefix, prefix + ":"}, true, [&](const PgResult& r) {
            for (int i = 0; i < r.Rows(); ++i) {
                rows.push_back(
                    {r.Text(i, 0), r.Text(i, 1), r.Text(i, 2), r.Text(i, 3), r.Text(i, 4) != "0"});
            }
        });
}

BookResult PgSerialBook::Settings(std::vector<CounterSetting>& settings) {
    settings.clear();
    return ReadOn(*c_, sql::kCounterSettings, {kLineSequence}, true, [&](const PgResult& r) {
        for (int i = 0; i < r.Rows(); ++i) {
            settings.push_back(
                {r.Text(i, 0), r.Text(i, 1), r.Text(i, 2), r.Text(i, 3), r.Text(i, 4) != "0"});
        }
    });
}

BookResult PgSerialBook::Update(const std::string& serial, const std::string& runId,
                                const std::string& from, const std::string& to, int& changed) {
    changed = 0;
    // Asked again once on a connection the server dropped since (a restart): a change made
    // before the drop is found made, as the row has its new state already.
    const PgResult r = c_->Query(sql::kUpdateSerial, {serial, runId, from, to, UtcNow()});
    if (!r.Ok())
        return Failed(Failure::LedgerUnwritable, r.Error());
    changed = r.Changed();
    return {};
}

}  // namespace bpconf::platform
