#include "platform/SqliteStationStore.h"

#include <sqlite3.h>

#include <functional>

#include "platform/RecordSql.h"
#include "platform/SqliteStatement.h"
#include "platform/SqliteUnitRecord.h"
#include "platform/UtcTime.h"

namespace bpconf::platform {

namespace {

constexpr const char* kEntry = "entry";
constexpr const char* kSettle = "settle";

void BindAll(SqliteStatement& s, const std::vector<std::string>& texts) {
    for (std::size_t i = 0; i < texts.size(); ++i)
        s.Bind(static_cast<int>(i) + 1, texts[i]);
}

}  // namespace

RecordResult SqliteStationStore::Change(const char* sql, const std::vector<std::string>& texts) {
    const std::string what = "cannot write to " + db_->Path();
    if (RecordResult r = db_->Begin(true, what); !r)
        return r;
    std::string error;
    {
        SqliteStatement s(*db_, sql);
        if (!s.ok()) {
            error = db_->LastError();
        } else {
            BindAll(s, texts);
            if (s.Step() != SQLITE_DONE)
                error = db_->LastError();
        }
    }
    if (!error.empty())
        return db_->Failure(what, error);
    return db_->Commit(what);
}

RecordResult SqliteStationStore::Rows(const char* sql, const std::vector<std::string>& texts,
                                      const std::function<void(SqliteStatement&)>& row,
                                      std::int64_t limit) {
    const std::string what = "cannot read " + db_->Path();
    if (RecordResult r = db_->Open(); !r || db_->Absent())
        return r;
    SqliteStatement s(*db_, sql);
    if (!s.ok())
        return {false, what + ": " + db_->LastError()};
    BindAll(s, texts);
    if (limit > 0)
        s.Bind(static_cast<int>(texts.size()) + 1, limit);
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW)
        row(s);
    if (rc != SQLITE_DONE)
        return {false, what + ": " + db_->LastError()};
    return {};
}

RecordResult SqliteStationStore::Fact(const std::string& name, std::string& value, bool& found) {
    found = false;
    return Rows(sql::kFact, {name}, [&](SqliteStatement& s) {
        value = s.Text(0);
        found = true;
    });
}

RecordResult SqliteStationStore::SetFact(const std::string& name, const std::string& value) {
    return Change(sql::kSetFact, {name, value});
}

RecordResult SqliteStationStore::RemoveFact(const std::string& name) {
    return Change(sql::kRemoveFact, {name});
}

RecordResult SqliteStationStore::KeepFirst(const std::string& name, std::string& value) {
    if (RecordResult r = Change(sql::kKeepFirstFact, {name, value}); !r)
        return r;
    bool found = false;
    if (RecordResult r = Fact(name, value, found); !r)
        return r;
    if (!found)
        return {false, "cannot read " + db_->Path() + ": the station's " + name + " is not kept"};
    return {};
}

RecordResult SqliteStationStore::WriteEntry(const UnitEntry& e, const LineTag* forLine) {
    const std::string what = "cannot write to " + db_->Path();
    if (RecordResult r = db_->Begin(true, what); !r)
        return r;
    std::string error = InsertEntry(*db_, e);
    if (error.empty() && forLine != nullptr) {
        SqliteStatement queue(*db_, sql::kQueueForLine);
        if (!queue.ok()) {
            error = db_->LastError();
        } else {
            BindAll(queue,
                    {kEntry, e.runId, "", "", "", UtcNow(), forLine->line, forLine->station});
            if (queue.Step() != SQLITE_DONE)
                error = db_->LastError();
        }
    }
    if (!error.empty())
        return db_->Failure(what, error);
    return db_->Commit(what);
}

RecordResult SqliteStationStore::QueueSettle(const std::string& serial, const std::string& runId,
                                             const std::string& from, const std::string& to,
                                             const LineTag& forLine) {
    return Change(sql::kQueueForLine,
                  {kSettle, runId, serial, from, to, UtcNow(), forLine.line, forLine.station});
}

RecordResult SqliteStationStore::WaitingElsewhere(const LineTag& forLine, LineTag& other,
                                                  int& count) {
    count = 0;
    other = LineTag();
    return Rows(sql::kWaitingElsewhere, {forLine.line, forLine.station}, [&](SqliteStatement& s) {
        if (count == 0)
            other = {s.Text(0), s.Text(1)};
        count += static_cast<int>(s.Int(2));
    });
}

RecordResult SqliteStationStore::Waiting(const LineTag& forLine, std::vector<WaitingItem>& items,
                                         int limit) {
    items.clear();
    RecordResult r = Rows(
        sql::kWaitingForLine, {forLine.line, forLine.station},
        [&](SqliteStatement& s) {
            WaitingItem item;
            item.seq = s.Int(0);
            item.kind = s.Text(1) == kSettle ? WaitingItem::Kind::Settle : WaitingItem::Kind::Entry;
            item.runId = s.Text(2);
            item.serial = s.Text(3);
            item.from = s.Text(4);
            item.to = s.Text(5);
            items.push_back(std::move(item));
        },
        limit);
    if (!r)
        return r;
    // Each entry as the record holds it.
    SqliteUnitRecord record(db_);
    for (auto& item : items) {
        if (item.kind != WaitingItem::Kind::Entry)
            continue;
        UnitQuery one;
        one.runId = item.runId;
        std::vector<UnitEntry> found;
        if (RecordResult read = record.Read(one, found); !read)
            return read;
        if (found.size() != 1) {
            return {false, "cannot read " + db_->Path() + ": the entry of run " + item.runId +
                               " that waits for the line is not in the record"};
        }
        item.entry = std::move(found.front());
    }
    return {};
}

RecordResult SqliteStationStore::CountWaiting(int& count) {
    count = 0;
    return Rows(sql::kCountWaitingForLine, {},
                [&](SqliteStatement& s) { count = static_cast<int>(s.Int(0)); });
}

RecordResult SqliteStationStore::WaitingRuns(std::vector<std::string>& runIds) {
    runIds.clear();
    return Rows(sql::kRunsWaitingForLine, {},
                [&](SqliteStatement& s) { runIds.push_back(s.Text(0)); });
}

RecordResult SqliteStationStore::Sent(const WaitingItem& item) {
    return Change(sql::kSentToLine, {std::to_string(item.seq),
                                     item.kind == WaitingItem::Kind::Settle ? kSettle : kEntry,
                                     item.runId, item.serial, item.to});
}

}  // namespace bpconf::platform
