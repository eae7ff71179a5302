#include "platform/postgres/PgLine.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <limits>
#include <vector>

#include "platform/Backends.h"
#include "platform/RecordSchema.h"
#include "platform/RecordSql.h"
#include "platform/UtcTime.h"

namespace bpconf::platform {

namespace {

// SQLSTATE codes the store tells apart.
constexpr const char* kLockNotAvailable = "55P03";
constexpr const char* kUniqueViolation = "23505";

std::string Trimmed(const char* text) {
    std::string s = text != nullptr ? text : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

// A result, cleared whatever way the scope is left.
class Result {
  public:
    explicit Result(PGresult* r) : r_(r) {}
    ~Result() { PQclear(r_); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    bool Ok() const {
        const ExecStatusType s = PQresultStatus(r_);
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }
    int Rows() const { return PQntuples(r_); }
    std::string Text(int row, int column) const { return PQgetvalue(r_, row, column); }
    std::string State() const { return Trimmed(PQresultErrorField(r_, PG_DIAG_SQLSTATE)); }
    std::string Error() const { return Trimmed(PQresultErrorMessage(r_)); }

  private:
    PGresult* r_;
};

}  // namespace

class PgConnection {
  public:
    explicit PgConnection(std::string url) : url_(std::move(url)) {}
    ~PgConnection() {
        if (conn_ != nullptr)
            PQfinish(conn_);
    }
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Connected, or false with the reason; a connection the server dropped is opened again.
    bool Ensure(std::string& reason) {
        if (conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK)
            return true;
        if (conn_ != nullptr)
            PQfinish(conn_);
        // The URL's own settings win over these defaults: they come after them. Keepalives
        // find a station that vanished mid-transaction within a minute.
        const char* keys[] = {
            "connect_timeout",     "application_name", "keepalives", "keepalives_idle",
            "keepalives_interval", "keepalives_count", "dbname",     nullptr};
        const char* values[] = {"5", "bpconf", "1", "20", "10", "3", url_.c_str(), nullptr};
        conn_ = PQconnectdbParams(keys, values, 1);
        if (PQstatus(conn_) != CONNECTION_OK) {
            reason = "the database cannot be reached: " + Trimmed(PQerrorMessage(conn_));
            PQfinish(conn_);
            conn_ = nullptr;
            return false;
        }
        // The server's notices ("already exists, skipping") are no business of the operator.
        PQsetNoticeProcessor(
            conn_, [](void*, const char*) {}, nullptr);
        // No statement, lock wait or forgotten transaction holds the line's sequence for long.
        PQclear(PQexec(conn_,
                       "SET statement_timeout = 15000; SET lock_timeout = 5000;"
                       " SET idle_in_transaction_session_timeout = 30000"));
        where_ = std::string("PostgreSQL ") + PQdb(conn_) + "@" + PQhost(conn_);
        return true;
    }

    bool Broken() const { return conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK; }

    // The statement with text parameters; without a connection the result says so.
    PGresult* Exec(const char* sql, const std::vector<std::string>& params = {}) {
        std::vector<const char*> values;
        for (const auto& p : params)
            values.push_back(p.c_str());
        return PQexecParams(conn_, sql, static_cast<int>(values.size()), nullptr, values.data(),
                            nullptr, nullptr, 0);
    }
    PGresult* ExecScript(const char* sql) { return PQexec(conn_, sql); }

    // A statement that changes nothing, asked again once when the server dropped the
    // connection since the last call (a restart between runs).
    PGresult* Query(const char* sql, const std::vector<std::string>& params, std::string& reason) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!Ensure(reason))
                return nullptr;
            PGresult* r = Exec(sql, params);
            const ExecStatusType s = PQresultStatus(r);
            if (s == PGRES_TUPLES_OK || s == PGRES_COMMAND_OK || !Broken() || attempt > 0)
                return r;
            PQclear(r);
        }
        return nullptr;
    }
    // Starts a transaction (sql: "BEGIN" with its options) through Query, so a connection the
    // server dropped is opened again before anything of the transaction happened; false with
    // the reason.
    bool Begin(const char* sql, std::string& reason) {
        PGresult* started = Query(sql, {}, reason);
        if (started == nullptr)
            return false;
        Result begin(started);
        if (!begin.Ok())
            reason = begin.Error();
        return begin.Ok();
    }
    // A statement whose result says nothing the caller needs (ROLLBACK after a failure).
    void Run(const char* sql) { PQclear(Exec(sql)); }

    std::string Where() const { return where_.empty() ? std::string("PostgreSQL") : where_; }

  private:
    std::string url_;
    std::string where_;
    PGconn* conn_ = nullptr;
};

std::shared_ptr<PgConnection> ConnectLineDatabase(const std::string& url) {
    return std::make_shared<PgConnection>(url);
}

PgCounterStore::PgCounterStore(std::shared_ptr<PgConnection> connection)
    : c_(std::move(connection)) {}

std::string PgCounterStore::Location() const {
    return c_->Where() + " (" + kLineSequence + ")";
}

StoredValue PgCounterStore::Read() {
    StoredValue v;
    std::string reason;
    PGresult* result =
        c_->Query("SELECT next FROM counters WHERE name = $1", {kLineSequence}, reason);
    if (result == nullptr) {
        v.kind = StoredValue::Kind::Unreadable;
        v.reason = reason;
        return v;
    }
    Result r(result);
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

CounterChange PgCounterStore::Change(
    const std::function<std::optional<std::string>(const StoredValue&)>& choose) {
    return Transaction(choose, nullptr);
}

CounterChange PgCounterStore::Reserve(
    const std::function<std::optional<std::string>(const StoredValue&)>& choose,
    const SerialClaim& claim) {
    return Transaction(choose, &claim);
}

CounterChange PgCounterStore::Transaction(
    const std::function<std::optional<std::string>(const StoredValue&)>& choose,
    const SerialClaim* claim) {
    using Failure = CounterChange::Failure;
    CounterChange change;
    auto fail = [&](Failure failure, const std::string& reason) {
        c_->Run("ROLLBACK");
        change.failure = failure;
        change.reason = reason;
        return change;
    };
    if (std::string reason; !c_->Begin("BEGIN", reason))
        return fail(Failure::Unreadable, reason);
    // The sequence's lock, held to the end of this transaction only.
    Result lock(c_->Exec("SELECT pg_advisory_xact_lock(hashtext('bpconf.counter.' || $1))",
                         {kLineSequence}));
    if (!lock.Ok())
        return fail(lock.State() == kLockNotAvailable ? Failure::Locked : Failure::Unreadable,
                    lock.Error());
    Result read(c_->Exec("SELECT next FROM counters WHERE name = $1", {kLineSequence}));
    if (!read.Ok())
        return fail(Failure::Unreadable, read.Error());
    StoredValue stored;
    if (read.Rows() > 0) {
        stored.kind = StoredValue::Kind::Text;
        stored.text = read.Text(0, 0);
    }
    std::optional<std::string> next;
    try {
        next = choose(stored);
    } catch (...) {
        c_->Run("ROLLBACK");
        throw;
    }
    if (!next) {
        c_->Run("COMMIT");
        return change;
    }
    char* end = nullptr;
    const long long value = std::strtoll(next->c_str(), &end, 10);
    if (next->empty() || *end != '\0' || value < 0 ||
        value > std::numeric_limits<std::int32_t>::max())
        return fail(Failure::Unwritable, "'" + *next + "' is no counter value");
    Result write(
        c_->Exec("INSERT INTO counters (name, next) VALUES ($1, $2)"
                 " ON CONFLICT (name) DO UPDATE SET next = EXCLUDED.next",
                 {kLineSequence, std::to_string(value)}));
    if (!write.Ok())
        return fail(Failure::Unwritable, write.Error());
    if (claim != nullptr) {
        Result savepoint(c_->Exec("SAVEPOINT reserve"));
        if (!savepoint.Ok())
            return fail(Failure::Unwritable, savepoint.Error());
        Result reserve(
            c_->Exec(sql::kReserveSerial, {claim->serial, kLineSequence, claim->station,
                                           claim->runId, claim->reused ? "1" : "0", UtcNow()}));
        if (!reserve.Ok() && reserve.State() == kUniqueViolation) {
            // The counter moves past a number that is on a unit already, as a station's does:
            // the next run tries the next one, never this one again.
            c_->Run("ROLLBACK TO SAVEPOINT reserve");
            Result commit(c_->Exec("COMMIT"));
            change.failure = Failure::Unwritable;
            change.reason = "the serial number " + claim->serial +
                            " is on a unit already (the line's ledger); type the next free "
                            "number into the box";
            if (!commit.Ok())
                change.reason += "; " + commit.Error();
            return change;
        }
        if (!reserve.Ok())
            return fail(Failure::Unwritable, reserve.Error());
    }
    Result commit(c_->Exec("COMMIT"));
    if (!commit.Ok()) {
        // Whether the server kept it cannot be known; the number counts as used either way.
        change.failure = Failure::Unwritable;
        change.reason = commit.Error();
    }
    return change;
}

CounterChange PgCounterStore::Settle(const SerialClaim& claim, ClaimOutcome outcome) {
    CounterChange change;
    std::string reason;
    if (!c_->Ensure(reason)) {
        change.failure = CounterChange::Failure::Unwritable;
        change.reason = reason;
        return change;
    }
    Result r(c_->Exec(sql::kSettleSerial,
                      {claim.serial, claim.runId,
                       outcome == ClaimOutcome::Stamped ? "stamped" : "void", UtcNow()}));
    if (!r.Ok()) {
        change.failure = CounterChange::Failure::Unwritable;
        change.reason = r.Error();
    }
    return change;
}

PgUnitRecord::PgUnitRecord(std::shared_ptr<PgConnection> connection) : c_(std::move(connection)) {}

std::string PgUnitRecord::Location() const {
    return c_->Where();
}

RecordResult PgUnitRecord::Write(const UnitEntry& e) {
    auto fail = [&](const std::string& why) {
        c_->Run("ROLLBACK");
        return RecordResult{false, why};
    };
    if (std::string reason; !c_->Begin("BEGIN", reason))
        return fail(reason);
    Result unit(c_->Exec(sql::kInsertUnit,
                         {e.runId, e.started, e.ended, e.station, e.language, e.target, e.serial,
                          e.reusedSerial ? "1" : "0", e.packageName, std::to_string(e.packageSize),
                          e.packageSha256, e.outcome, e.detail, e.version}));
    if (!unit.Ok())
        return fail(unit.Error());
    int seq = 0;
    for (const auto& m : e.messages) {
        Result message(
            c_->Exec(sql::kInsertMessage, {e.runId, std::to_string(++seq), m.message, m.result,
                                           std::to_string(m.error), m.errorText}));
        if (!message.Ok())
            return fail(message.Error());
    }
    Result commit(c_->Exec("COMMIT"));
    if (!commit.Ok())
        return {false, commit.Error()};
    return {};
}

RecordResult PgUnitRecord::Read(const UnitQuery& q, std::vector<UnitEntry>& entries) {
    entries.clear();
    // One snapshot for the entries and their messages.
    if (std::string reason; !c_->Begin("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", reason))
        return {false, reason};
    Result units(c_->Exec(sql::kSelectUnits, {q.since, q.until, q.station, q.serial}));
    if (!units.Ok()) {
        c_->Run("ROLLBACK");
        return {false, units.Error()};
    }
    for (int row = 0; row < units.Rows(); ++row) {
        UnitEntry e;
        e.runId = units.Text(row, 0);
        e.started = units.Text(row, 1);
        e.ended = units.Text(row, 2);
        e.station = units.Text(row, 3);
        e.language = units.Text(row, 4);
        e.target = units.Text(row, 5);
        e.serial = units.Text(row, 6);
        e.reusedSerial = units.Text(row, 7) != "0";
        e.packageName = units.Text(row, 8);
        e.packageSize = std::strtoull(units.Text(row, 9).c_str(), nullptr, 10);
        e.packageSha256 = units.Text(row, 10);
        e.outcome = units.Text(row, 11);
        e.detail = units.Text(row, 12);
        e.version = units.Text(row, 13);
        Result messages(c_->Exec(sql::kSelectMessages, {e.runId}));
        if (!messages.Ok()) {
            c_->Run("ROLLBACK");
            return {false, messages.Error()};
        }
        for (int m = 0; m < messages.Rows(); ++m) {
            e.messages.push_back(
                {messages.Text(m, 0), messages.Text(m, 1),
                 static_cast<std::uint32_t>(std::strtoul(messages.Text(m, 2).c_str(), nullptr, 10)),
                 messages.Text(m, 3)});
        }
        entries.push_back(std::move(e));
    }
    c_->Run("COMMIT");
    return {};
}

RecordResult PgUnitRecord::SerialUsed(const std::string& serial, bool& used) {
    used = false;
    std::string reason;
    PGresult* result = c_->Query(sql::kSerialUsed, {serial}, reason);
    if (result == nullptr)
        return {false, reason};
    Result r(result);
    if (!r.Ok())
        return {false, r.Error()};
    used = r.Rows() > 0;
    return {};
}

RecordResult InitLineDatabase(const std::string& url) {
    PgConnection c(url);
    std::string reason;
    if (!c.Ensure(reason))
        return {false, reason};
    const std::string script = std::string("BEGIN;\n") + kRecordSchema + "\nCOMMIT;";
    Result r(c.ExecScript(script.c_str()));
    if (!r.Ok())
        return {false, r.Error()};
    return {};
}

bool CreateLineDatabaseBackends(const std::string& url, std::unique_ptr<ICounterStore>& counter,
                                std::unique_ptr<IUnitRecord>& record) {
    auto connection = ConnectLineDatabase(url);
    counter = std::make_unique<PgCounterStore>(connection);
    record = std::make_unique<PgUnitRecord>(connection);
    return true;
}

RecordResult InitLineDatabaseSchema(const std::string& url) {
    return InitLineDatabase(url);
}

}  // namespace bpconf::platform
