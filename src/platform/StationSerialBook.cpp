#include "platform/StationSerialBook.h"

#include <sqlite3.h>

#include <functional>
#include <optional>

#include "platform/RecordSql.h"
#include "platform/SqliteStatement.h"
#include "platform/UtcTime.h"

namespace bpconf::platform {

namespace {

using Failure = BookResult::Failure;

BookResult Failed(Failure failure, std::string reason) {
    BookResult r;
    r.failure = failure;
    r.reason = std::move(reason);
    return r;
}

BookResult FromRecord(const RecordResult& r, Failure failure) {
    return r ? BookResult() : Failed(failure, r.reason);
}

BookResult FindIn(SqliteDatabase& db, const std::string& serial, SerialFacts& facts) {
    facts = SerialFacts();
    const std::string what = "cannot read " + db.Path();
    if (RecordResult r = db.Open(); !r)
        return Failed(Failure::LedgerUnreadable, r.reason);
    if (db.Absent())
        return {};
    std::string error;
    {
        SqliteStatement rows(db, sql::kLedgerRows);
        SqliteStatement recorded(db, sql::kRecordedSerial);
        if (!rows.ok() || !recorded.ok())
            return Failed(Failure::LedgerUnreadable, what + ": " + db.LastError());
        rows.Bind(1, serial);
        int rc;
        while ((rc = rows.Step()) == SQLITE_ROW) {
            facts.rows.push_back(
                {rows.Text(0), rows.Text(1), rows.Text(2), rows.Text(3), rows.Int(4) != 0});
        }
        if (rc != SQLITE_DONE)
            error = db.LastError();
        recorded.Bind(1, serial);
        rc = recorded.Step();
        facts.recorded = rc == SQLITE_ROW;
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            error = db.LastError();
    }
    if (!error.empty())
        return Failed(Failure::LedgerUnreadable, what + ": " + error);
    return {};
}

// Reads the rows of a query of the ledger (the first one only, or all); a ledger not created yet
// has none.
BookResult RowsIn(SqliteDatabase& db, const char* query,
                  const std::function<void(SqliteStatement&)>& bind,
                  const std::function<void(SqliteStatement&)>& read, bool all) {
    if (RecordResult r = db.Open(); !r)
        return Failed(Failure::LedgerUnreadable, r.reason);
    if (db.Absent())
        return {};
    std::string error;
    {
        SqliteStatement s(db, query);
        if (!s.ok())
            return Failed(Failure::LedgerUnreadable,
                          "cannot read " + db.Path() + ": " + db.LastError());
        bind(s);
        int rc;
        while ((rc = s.Step()) == SQLITE_ROW) {
            read(s);
            if (!all)
                break;
        }
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            error = db.LastError();
    }
    if (!error.empty())
        return Failed(Failure::LedgerUnreadable, "cannot read " + db.Path() + ": " + error);
    return {};
}

BookResult FirstRowIn(SqliteDatabase& db, const char* query,
                      const std::function<void(SqliteStatement&)>& bind,
                      const std::function<void(SqliteStatement&)>& read) {
    return RowsIn(db, query, bind, read, false);
}

BookResult HighestIn(SqliteDatabase& db, const std::string& prefix, std::string& serial) {
    serial.clear();
    return FirstRowIn(
        db, sql::kHighestSerial,
        [&](SqliteStatement& s) {
            s.Bind(1, prefix);
            s.Bind(2, prefix + ":");
        },
        [&](SqliteStatement& s) { serial = s.Text(0); });
}

BookResult LastSettingIn(SqliteDatabase& db, CounterSetting& setting, bool& found) {
    found = false;
    return FirstRowIn(
        db, sql::kLastCounterSetting,
        [](SqliteStatement& s) { s.Bind(1, std::string(kStationSequence)); },
        [&](SqliteStatement& s) {
            found = true;
            setting = {s.Text(0), s.Text(1), s.Text(2), s.Text(3), s.Int(4) != 0};
        });
}

// A section: the counter as read under its lock, the ledger inside the record's write
// transaction.
class StationSection : public ISerialSection {
  public:
    StationSection(const StoredValue& counter, SqliteDatabase& db) : counter_(counter), db_(db) {}

    const StoredValue& Counter() const override { return counter_; }
    BookResult Find(const std::string& serial, SerialFacts& facts) override {
        return FindIn(db_, serial, facts);
    }
    BookResult Highest(const std::string& prefix, std::string& serial) override {
        return HighestIn(db_, prefix, serial);
    }
    BookResult LastSetting(CounterSetting& setting, bool& found) override {
        return LastSettingIn(db_, setting, found);
    }
    BookResult Add(const LedgerEntry& e) override {
        int rc, extended;
        std::string error;
        {
            SqliteStatement s(db_, sql::kAddSerial);
            if (!s.ok())
                return Failed(Failure::LedgerUnwritable, Where() + db_.LastError());
            s.Bind(1, e.serial);
            s.Bind(2, std::string(kStationSequence));
            s.Bind(3, e.state);
            s.Bind(4, e.station);
            s.Bind(5, e.runId);
            s.Bind(6, std::int64_t{e.reused ? 1 : 0});
            s.Bind(7, UtcNow());
            rc = s.Step();
            extended = sqlite3_extended_errcode(db_.Handle());
            if (rc != SQLITE_DONE)
                error = db_.LastError();
        }
        if (rc == SQLITE_DONE)
            return {};
        if (extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY)
            return Failed(Failure::Duplicate, error);
        return Failed(Failure::LedgerUnwritable, Where() + error);
    }
    void SetCounter(const std::string& text) override { next_ = text; }
    BookResult Note(const CounterSetting& n) override {
        std::string error;
        {
            SqliteStatement s(db_, sql::kNoteCounterSetting);
            if (!s.ok())
                return Failed(Failure::LedgerUnwritable, Where() + db_.LastError());
            s.Bind(1, std::string(kStationSequence));
            s.Bind(2, UtcNow());
            s.Bind(3, n.station);
            s.Bind(4, n.from);
            s.Bind(5, n.to);
            s.Bind(6, std::int64_t{n.forced ? 1 : 0});
            s.Bind(7, n.reason);
            if (s.Step() != SQLITE_DONE)
                error = db_.LastError();
        }
        if (!error.empty())
            return Failed(Failure::LedgerUnwritable, Where() + error);
        return {};
    }

    const std::optional<std::string>& Next() const { return next_; }

  private:
    std::string Where() const { return "cannot write to " + db_.Path() + ": "; }
    StoredValue counter_;
    SqliteDatabase& db_;
    std::optional<std::string> next_;
};

Failure CounterFailure(CounterChange::Failure f) {
    switch (f) {
        case CounterChange::Failure::Locked:
            return Failure::CounterLocked;
        case CounterChange::Failure::Unwritable:
            return Failure::CounterUnwritable;
        default:
            return Failure::CounterUnreadable;
    }
}

}  // namespace

StationSerialBook::StationSerialBook(std::unique_ptr<ICounterStore> counter,
                                     std::shared_ptr<SqliteDatabase> db, std::string whyNot)
    : counter_(std::move(counter)), db_(std::move(db)), whyNot_(std::move(whyNot)) {}

std::string StationSerialBook::LedgerLocation() const {
    return db_ ? db_->Path() : "units.sqlite";
}

BookResult StationSerialBook::Find(const std::string& serial, SerialFacts& facts) {
    if (!db_)
        return Failed(Failure::LedgerUnreadable, whyNot_);
    return FindIn(*db_, serial, facts);
}

BookResult StationSerialBook::Highest(const std::string& prefix, std::string& serial) {
    if (!db_)
        return Failed(Failure::LedgerUnreadable, whyNot_);
    return HighestIn(*db_, prefix, serial);
}

BookResult StationSerialBook::LastSetting(CounterSetting& setting, bool& found) {
    found = false;
    if (!db_)
        return Failed(Failure::LedgerUnreadable, whyNot_);
    return LastSettingIn(*db_, setting, found);
}

BookResult StationSerialBook::Exclusive(const std::function<bool(ISerialSection&)>& work) {
    if (!db_)
        return Failed(Failure::LedgerUnwritable, whyNot_);
    BookResult result;
    bool open = false;  // the record's transaction, between its BEGIN and its end
    const CounterChange change =
        counter_->Change([&](const StoredValue& stored) -> std::optional<std::string> {
            if (RecordResult r = db_->Begin(true, "cannot write to " + db_->Path()); !r) {
                result = FromRecord(r, Failure::LedgerUnwritable);
                return std::nullopt;
            }
            open = true;
            StationSection section(stored, *db_);
            bool keep = false;
            try {
                keep = work(section);
            } catch (...) {
                db_->Rollback();
                open = false;
                throw;
            }
            if (!keep) {
                db_->Rollback();
                open = false;
                return std::nullopt;
            }
            return section.Next();
        });
    if (!change) {
        if (open)
            db_->Rollback();
        return Failed(CounterFailure(change.failure), change.reason);
    }
    if (!open)
        return result;
    // The counter is stored; should the ledger fail now, the number is a gap.
    return FromRecord(db_->Commit("cannot write to " + db_->Path()), Failure::LedgerUnwritable);
}

BookResult StationSerialBook::Rows(const std::string& prefix, std::vector<LedgerEntry>& rows) {
    rows.clear();
    if (!db_)
        return Failed(Failure::LedgerUnreadable, whyNot_);
    return RowsIn(
        *db_, sql::kLedgerRange,
        [&](SqliteStatement& s) {
            s.Bind(1, prefix);
            s.Bind(2, prefix + ":");
        },
        [&](SqliteStatement& s) {
            rows.push_back({s.Text(0), s.Text(1), s.Text(2), s.Text(3), s.Int(4) != 0});
        },
        true);
}

BookResult StationSerialBook::Settings(std::vector<CounterSetting>& settings) {
    settings.clear();
    if (!db_)
        return Failed(Failure::LedgerUnreadable, whyNot_);
    return RowsIn(
        *db_, sql::kCounterSettings,
        [](SqliteStatement& s) { s.Bind(1, std::string(kStationSequence)); },
        [&](SqliteStatement& s) {
            settings.push_back({s.Text(0), s.Text(1), s.Text(2), s.Text(3), s.Int(4) != 0});
        },
        true);
}

BookResult StationSerialBook::Update(const std::string& serial, const std::string& runId,
                                     const std::string& from, const std::string& to, int& changed) {
    changed = 0;
    if (!db_)
        return Failed(Failure::LedgerUnwritable, whyNot_);
    const std::string what = "cannot write to " + db_->Path();
    if (RecordResult r = db_->Open(); !r)
        return FromRecord(r, Failure::LedgerUnwritable);
    std::string error;
    {
        SqliteStatement s(*db_, sql::kUpdateSerial);
        if (!s.ok())
            return FromRecord(db_->Failure(what), Failure::LedgerUnwritable);
        s.Bind(1, serial);
        s.Bind(2, runId);
        s.Bind(3, from);
        s.Bind(4, to);
        s.Bind(5, UtcNow());
        if (s.Step() == SQLITE_DONE)
            changed = db_->Changes();
        else
            error = db_->LastError();
    }
    if (!error.empty())
        return FromRecord(db_->Failure(what, error), Failure::LedgerUnwritable);
    return {};
}

}  // namespace bpconf::platform
