#include "platform/SqliteUnitRecord.h"

#include <sqlite3.h>

#include "platform/RecordSql.h"
#include "platform/SqliteStatement.h"

namespace bpconf::platform {

std::string InsertEntry(SqliteDatabase& db, const UnitEntry& e) {
    // The statements end before the transaction does, whatever way it ends.
    SqliteStatement unit(db, sql::kInsertUnit);
    SqliteStatement message(db, sql::kInsertMessage);
    if (!unit.ok() || !message.ok())
        return db.LastError();
    const std::string* texts[] = {&e.runId,    &e.started, &e.ended, &e.station,
                                  &e.language, &e.target,  &e.serial};
    for (int i = 0; i < 7; ++i)
        unit.Bind(i + 1, *texts[i]);
    unit.Bind(8, std::int64_t{e.reusedSerial ? 1 : 0});
    unit.Bind(9, e.packageName);
    unit.Bind(10, static_cast<std::int64_t>(e.packageSize));
    unit.Bind(11, e.packageSha256);
    unit.Bind(12, e.outcome);
    unit.Bind(13, e.detail);
    unit.Bind(14, e.version);
    if (unit.Step() != SQLITE_DONE)
        return db.LastError();
    std::int64_t seq = 0;
    for (const auto& m : e.messages) {
        message.Bind(1, e.runId);
        message.Bind(2, ++seq);
        message.Bind(3, m.message);
        message.Bind(4, m.result);
        message.Bind(5, static_cast<std::int64_t>(m.error));
        message.Bind(6, m.errorText);
        if (message.Step() != SQLITE_DONE)
            return db.LastError();
        message.Reset();
    }
    return "";
}

RecordResult SqliteUnitRecord::Write(const UnitEntry& e) {
    const std::string what = "cannot write to " + db_->Path();
    if (RecordResult r = db_->Begin(true, what); !r)
        return r;
    if (const std::string error = InsertEntry(*db_, e); !error.empty())
        return db_->Failure(what, error);
    return db_->Commit(what);
}

RecordResult SqliteUnitRecord::Read(const UnitQuery& q, std::vector<UnitEntry>& entries) {
    entries.clear();
    const std::string what = "cannot read " + db_->Path();
    if (RecordResult r = db_->Open(); !r || db_->Absent())
        return r;
    // One read transaction: the entries and their messages from the same moment.
    if (RecordResult r = db_->Begin(false, what); !r)
        return r;
    const std::string error = [&]() -> std::string {
        SqliteStatement units(*db_, sql::kSelectUnits);
        SqliteStatement messages(*db_, sql::kSelectMessages);
        if (!units.ok() || !messages.ok())
            return db_->LastError();
        units.Bind(1, q.since);
        units.Bind(2, q.until);
        units.Bind(3, q.station);
        units.Bind(4, q.serial);
        units.Bind(5, q.runId);
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
                return db_->LastError();
            entries.push_back(std::move(e));
        }
        return rc == SQLITE_DONE ? "" : db_->LastError();
    }();
    if (!error.empty()) {
        entries.clear();
        return db_->Failure(what, error);
    }
    return db_->Commit(what);
}

RecordResult SqliteUnitRecord::Probe() {
    const std::string what = "cannot write to " + db_->Path();
    if (RecordResult r = db_->Begin(true, what); !r)
        return r;
    if (RecordResult r = db_->Exec(sql::kProbe, what); !r)
        return r;
    return db_->Commit(what);
}

}  // namespace bpconf::platform
