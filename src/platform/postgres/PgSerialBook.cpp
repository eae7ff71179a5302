#include "platform/postgres/PgSerialBook.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <limits>
#include <optional>

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

// Runs a read of the ledger; inside a section on the section's connection as it is.
BookResult FindOn(PgConnection& c, const std::string& serial, SerialFacts& facts, bool retry) {
    facts = SerialFacts();
    std::string reason;
    pg_result* raw =
        retry ? c.Query(sql::kLedgerRows, {serial}, reason) : c.Exec(sql::kLedgerRows, {serial});
    if (raw == nullptr)
        return Failed(Failure::LedgerUnreadable, reason);
    PgResult rows(raw);
    if (!rows.Ok())
        return Failed(Failure::LedgerUnreadable, rows.Error());
    for (int i = 0; i < rows.Rows(); ++i) {
        facts.rows.push_back({rows.Text(i, 0), rows.Text(i, 1), rows.Text(i, 2), rows.Text(i, 3),
                              rows.Text(i, 4) != "0"});
    }
    PgResult recorded(c.Exec(sql::kRecordedSerial, {serial}));
    if (!recorded.Ok())
        return Failed(Failure::LedgerUnreadable, recorded.Error());
    facts.recorded = recorded.Rows() > 0;
    return {};
}

BookResult HighestOn(PgConnection& c, const std::string& prefix, std::string& serial, bool retry) {
    serial.clear();
    std::string reason;
    const std::vector<std::string> params = {prefix, prefix + ":"};
    pg_result* raw = retry ? c.Query(sql::kHighestSerialInByteOrder, params, reason)
                           : c.Exec(sql::kHighestSerialInByteOrder, params);
    if (raw == nullptr)
        return Failed(Failure::LedgerUnreadable, reason);
    PgResult rows(raw);
    if (!rows.Ok())
        return Failed(Failure::LedgerUnreadable, rows.Error());
    if (rows.Rows() > 0)
        serial = rows.Text(0, 0);
    return {};
}

BookResult LastSettingOn(PgConnection& c, CounterSetting& setting, bool& found, bool retry) {
    found = false;
    std::string reason;
    pg_result* raw = retry ? c.Query(sql::kLastCounterSetting, {kLineSequence}, reason)
                           : c.Exec(sql::kLastCounterSetting, {kLineSequence});
    if (raw == nullptr)
        return Failed(Failure::LedgerUnreadable, reason);
    PgResult rows(raw);
    if (!rows.Ok())
        return Failed(Failure::LedgerUnreadable, rows.Error());
    if (rows.Rows() > 0) {
        found = true;
        setting = {rows.Text(0, 0), rows.Text(0, 1), rows.Text(0, 2), rows.Text(0, 3),
                   rows.Text(0, 4) != "0"};
    }
    return {};
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
    std::string reason;
    pg_result* result =
        c_->Query("SELECT next FROM counters WHERE name = $1", {kLineSequence}, reason);
    if (result == nullptr) {
        v.kind = StoredValue::Kind::Unreadable;
        v.reason = reason;
        return v;
    }
    PgResult r(result);
    if (!r.Ok()) {
        v.kind = StoredValue::Kind::Unreadable;
        v.reason = r.Error();
        return v;
    }
    if (r.Rows() == 0)
        return v;  // Missing: the line's first number is yet to be set
    v.kind = StoredValue::Kind::Text;
    v.text = r.Text(0, 0);
    return v;
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
    PgResult read(c_->Exec("SELECT next FROM counters WHERE name = $1", {kLineSequence}));
    if (!read.Ok())
        return fail(Failure::CounterUnreadable, read.Error());
    StoredValue stored;
    if (read.Rows() > 0) {
        stored.kind = StoredValue::Kind::Text;
        stored.text = read.Text(0, 0);
    }
    PgSection section(*c_, stored);
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

BookResult PgSerialBook::Update(const std::string& serial, const std::string& runId,
                                const std::string& from, const std::string& to, int& changed) {
    changed = 0;
    std::string reason;
    if (!c_->Ensure(reason))
        return Failed(Failure::LedgerUnwritable, reason);
    PgResult r(c_->Exec(sql::kUpdateSerial, {serial, runId, from, to, UtcNow()}));
    if (!r.Ok())
        return Failed(Failure::LedgerUnwritable, r.Error());
    changed = r.Changed();
    return {};
}

}  // namespace bpconf::platform
