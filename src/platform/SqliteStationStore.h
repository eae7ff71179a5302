// The station's facts and what waits for the line, in the station's record file (see
// SqliteDatabase), on the record's own connection: an entry and its place in the queue are
// written in one transaction.
#pragma once

#include <functional>
#include <memory>

#include "platform/SqliteDatabase.h"
#include "platform/SqliteStatement.h"
#include "platform/StationStore.h"

namespace bpconf::platform {

class SqliteStationStore : public IStationStore {
  public:
    explicit SqliteStationStore(std::shared_ptr<SqliteDatabase> db) : db_(std::move(db)) {}

    RecordResult Fact(const std::string& name, std::string& value, bool& found) override;
    RecordResult SetFact(const std::string& name, const std::string& value) override;
    RecordResult RemoveFact(const std::string& name) override;
    RecordResult KeepFirst(const std::string& name, std::string& value) override;
    RecordResult WriteEntry(const UnitEntry& entry, const LineTag* forLine) override;
    RecordResult QueueSettle(const std::string& serial, const std::string& runId,
                             const std::string& from, const std::string& to,
                             const LineTag& forLine) override;
    RecordResult Waiting(const LineTag& forLine, std::vector<WaitingItem>& items,
                         int limit) override;
    RecordResult WaitingElsewhere(const LineTag& forLine, LineTag& other, int& count) override;
    RecordResult CountWaiting(int& count) override;
    RecordResult WaitingRuns(std::vector<std::string>& runIds) override;
    RecordResult Sent(const WaitingItem& item) override;
    std::string Location() const override { return db_->Path(); }

  private:
    // One statement that changes the file, in a transaction of its own.
    RecordResult Change(const char* sql, const std::vector<std::string>& texts);
    // Runs a query with the texts as $1, $2, … (and limit after them when above 0); row is
    // called for every row. A record file that is not there (read-only use) has no rows.
    RecordResult Rows(const char* sql, const std::vector<std::string>& texts,
                      const std::function<void(SqliteStatement&)>& row, std::int64_t limit = 0);

    std::shared_ptr<SqliteDatabase> db_;
};

}  // namespace bpconf::platform
