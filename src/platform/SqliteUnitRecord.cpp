#include "platform/SqliteUnitRecord.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#include "platform/Backends.h"
#include "platform/RecordSchema.h"
#include "platform/RecordSql.h"
#include "platform/UtcTime.h"

namespace bpconf::platform {

namespace {

// A prepared statement, finalized whatever way the scope is left.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql) {
        ok_ = sqlite3_prepare_v2(db, sql, -1, &s_, nullptr) == SQLITE_OK;
    }
    ~Statement() { sqlite3_finalize(s_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    bool ok() const { return ok_; }
    void Bind(int index, const std::string& text) {
        sqlite3_bind_text(s_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    void Bind(int index, sqlite3_int64 value) { sqlite3_bind_int64(s_, index, value); }
    int Step() { return sqlite3_step(s_); }
    void Reset() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
    std::string Text(int column) const {
        const auto* text = sqlite3_column_text(s_, column);
        return text != nullptr
                   ? std::string(reinterpret_cast<const char*>(text),
                                 static_cast<std::size_t>(sqlite3_column_bytes(s_, column)))
                   : std::string();
    }
    sqlite3_int64 Int(int column) const { return sqlite3_column_int64(s_, column); }

  private:
    sqlite3_stmt* s_ = nullptr;
    bool ok_ = false;
};

}  // namespace

SqliteUnitRecord::SqliteUnitRecord(std::string path, int busyTimeoutMs)
    : path_(std::move(path)), busyTimeoutMs_(busyTimeoutMs) {}

SqliteUnitRecord::~SqliteUnitRecord() {
    sqlite3_close_v2(db_);
}

RecordResult SqliteUnitRecord::Failure(const std::string& what, const std::string& error) {
    const std::string reason = what + ": " +
                               (!error.empty()   ? error
                                : db_ != nullptr ? sqlite3_errmsg(db_)
                                                 : "out of memory");
    if (db_ != nullptr) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        // A transaction that cannot be ended would refuse every later write: start afresh.
        if (!sqlite3_get_autocommit(db_)) {
            sqlite3_close_v2(db_);
            db_ = nullptr;
        }
    }
    return {false, reason};
}

RecordResult SqliteUnitRecord::Open() {
    if (db_ != nullptr)
        return {};
    std::error_code ec;
    const std::filesystem::path file = std::filesystem::u8path(path_);
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), ec);
        if (ec)
            return {false, "cannot create the folder of " + path_ + ": " + ec.message()};
    }
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        RecordResult r = Failure("cannot open " + path_);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return r;
    }
    sqlite3_busy_timeout(db_, busyTimeoutMs_);
    // The schema goes in whole or not at all, once, whoever opens the file first.
    const std::string setup = std::string(
                                  "PRAGMA journal_mode=WAL; PRAGMA foreign_keys=ON;"
                                  " BEGIN IMMEDIATE;") +
                              kRecordSchema + "\nCOMMIT;";
    if (sqlite3_exec(db_, setup.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        RecordResult r = Failure("cannot set up " + path_);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return r;
    }
    return {};
}

RecordResult SqliteUnitRecord::Write(const UnitEntry& e) {
    if (RecordResult r = Open(); !r)
        return r;
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return Failure("cannot write to " + path_);
    // The statements end before the transaction does, whatever way it ends.
    const std::string error = [&]() -> std::string {
        Statement unit(db_, sql::kInsertUnit);
        Statement message(db_, sql::kInsertMessage);
        if (!unit.ok() || !message.ok())
            return sqlite3_errmsg(db_);
        const std::string* texts[] = {&e.runId,    &e.started, &e.ended, &e.station,
                                      &e.language, &e.target,  &e.serial};
        for (int i = 0; i < 7; ++i)
            unit.Bind(i + 1, *texts[i]);
        unit.Bind(8, sqlite3_int64{e.reusedSerial ? 1 : 0});
        unit.Bind(9, e.packageName);
        unit.Bind(10, static_cast<sqlite3_int64>(e.packageSize));
        unit.Bind(11, e.packageSha256);
        unit.Bind(12, e.outcome);
        unit.Bind(13, e.detail);
        unit.Bind(14, e.version);
        if (unit.Step() != SQLITE_DONE)
            return sqlite3_errmsg(db_);
        sqlite3_int64 seq = 0;
        for (const auto& m : e.messages) {
            message.Bind(1, e.runId);
            message.Bind(2, ++seq);
            message.Bind(3, m.message);
            message.Bind(4, m.result);
            message.Bind(5, static_cast<sqlite3_int64>(m.error));
            message.Bind(6, m.errorText);
            if (message.Step() != SQLITE_DONE)
                return sqlite3_errmsg(db_);
            message.Reset();
        }
        return "";
    }();
    if (!error.empty())
        return Failure("cannot write to " + path_, error);
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return Failure("cannot write to " + path_);
    return {};
}

RecordResult SqliteUnitRecord::Read(const UnitQuery& q, std::vector<UnitEntry>& entries) {
    entries.clear();
    if (RecordResult r = Open(); !r)
        return r;
    // One read transaction: the entries and their messages from the same moment.
    if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return Failure("cannot read " + path_);
    const std::string error = [&]() -> std::string {
        Statement units(db_, sql::kSelectUnits);
        Statement messages(db_, sql::kSelectMessages);
        if (!units.ok() || !messages.ok())
            return sqlite3_errmsg(db_);
        units.Bind(1, q.since);
        units.Bind(2, q.until);
        units.Bind(3, q.station);
        units.Bind(4, q.serial);
        int rc;
        while ((rc = units.Step()) == SQLITE_ROW) {
            UnitEntry e;
            e.runId = units.Text(0);
            e.started = units.Text(1);
            e.ended = units.Text(2);
            e.station = units.Text(3);
            e.language = units.Text(4);
            e.target = units.Text(5);
            e.serial = units.Text(6);
            e.reusedSerial = units.Int(7) != 0;
            e.packageName = units.Text(8);
            e.packageSize = static_cast<std::uint64_t>(units.Int(9));
            e.packageSha256 = units.Text(10);
            e.outcome = units.Text(11);
            e.detail = units.Text(12);
            e.version = units.Text(13);
            messages.Bind(1, e.runId);
            int mrc;
            while ((mrc = messages.Step()) == SQLITE_ROW) {
                e.messages.push_back({messages.Text(0), messages.Text(1),
                                      static_cast<std::uint32_t>(messages.Int(2)),
                                      messages.Text(3)});
            }
            messages.Reset();
            if (mrc != SQLITE_DONE)
                return sqlite3_errmsg(db_);
            entries.push_back(std::move(e));
        }
        return rc == SQLITE_DONE ? "" : sqlite3_errmsg(db_);
    }();
    if (!error.empty()) {
        entries.clear();
        return Failure("cannot read " + path_, error);
    }
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    return {};
}

RecordResult SqliteUnitRecord::SerialUsed(const std::string& serial, bool& used) {
    used = false;
    if (RecordResult r = Open(); !r)
        return r;
    int rc;
    std::string error;
    {
        Statement s(db_, sql::kSerialUsed);
        if (!s.ok())
            return Failure("cannot read " + path_);
        s.Bind(1, serial);
        rc = s.Step();
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            error = sqlite3_errmsg(db_);
    }
    if (!error.empty())
        return Failure("cannot read " + path_, error);
    used = rc == SQLITE_ROW;
    return {};
}

RecordResult SqliteUnitRecord::ReserveSerial(const SerialClaim& claim, bool& usedAlready) {
    usedAlready = false;
    if (RecordResult r = Open(); !r)
        return r;
    int rc, extended;
    std::string error;
    {
        Statement s(db_, sql::kReserveSerial);
        if (!s.ok())
            return Failure("cannot write to " + path_);
        s.Bind(1, claim.serial);
        s.Bind(2, std::string("station"));
        s.Bind(3, claim.station);
        s.Bind(4, claim.runId);
        s.Bind(5, sqlite3_int64{claim.reused ? 1 : 0});
        s.Bind(6, UtcNow());
        rc = s.Step();
        extended = sqlite3_extended_errcode(db_);
        if (rc != SQLITE_DONE)
            error = sqlite3_errmsg(db_);
    }
    if (rc == SQLITE_DONE)
        return {};
    usedAlready = extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY;
    return Failure("cannot write to " + path_, error);
}

RecordResult SqliteUnitRecord::SettleSerial(const SerialClaim& claim, ClaimOutcome outcome) {
    if (RecordResult r = Open(); !r)
        return r;
    std::string error;
    {
        Statement s(db_, sql::kSettleSerial);
        if (!s.ok())
            return Failure("cannot write to " + path_);
        s.Bind(1, claim.serial);
        s.Bind(2, claim.runId);
        s.Bind(3, std::string(outcome == ClaimOutcome::Stamped ? "stamped" : "void"));
        s.Bind(4, UtcNow());
        if (s.Step() != SQLITE_DONE)
            error = sqlite3_errmsg(db_);
    }
    if (!error.empty())
        return Failure("cannot write to " + path_, error);
    return {};
}

LedgerCounterStore::LedgerCounterStore(std::unique_ptr<ICounterStore> counter,
                                       std::unique_ptr<SqliteUnitRecord> ledger)
    : counter_(std::move(counter)), ledger_(std::move(ledger)) {}

CounterChange LedgerCounterStore::Reserve(
    const std::function<std::optional<std::string>(const StoredValue&)>& choose,
    const SerialClaim& claim) {
    CounterChange change = counter_->Change(choose);
    if (!change.ok() || claim.serial.empty())
        return change;
    // The counter has moved past the number already: a number refused here is a gap.
    bool usedAlready = false;
    if (const RecordResult r = ledger_->ReserveSerial(claim, usedAlready); !r) {
        change.failure = CounterChange::Failure::Unwritable;
        change.reason = usedAlready
                            ? "the serial number " + claim.serial +
                                  " is on a unit already (the record " + ledger_->Location() +
                                  "); type the next free number into the box"
                            : r.reason;
    }
    return change;
}

CounterChange LedgerCounterStore::Settle(const SerialClaim& claim, ClaimOutcome outcome) {
    CounterChange change;
    if (const RecordResult r = ledger_->SettleSerial(claim, outcome); !r) {
        change.failure = CounterChange::Failure::Unwritable;
        change.reason = r.reason;
    }
    return change;
}

std::unique_ptr<IUnitRecord> CreateStationRecord() {
    std::string whyNot;
    if (auto path = DefaultRecordPath(whyNot))
        return std::make_unique<SqliteUnitRecord>(*path);
    return std::make_unique<UnavailableUnitRecord>(whyNot);
}

std::unique_ptr<ICounterStore> CreateStationCounterStore() {
    std::string whyNot;
    auto path = DefaultRecordPath(whyNot);
    // Without a data folder the ledger's file cannot be kept: the counter alone, and every
    // record write says why.
    if (!path)
        return CreateSystemCounterStore();
    return std::make_unique<LedgerCounterStore>(CreateSystemCounterStore(),
                                                std::make_unique<SqliteUnitRecord>(*path));
}

}  // namespace bpconf::platform
