// The station's record in its SQLite file (see SqliteDatabase): one entry per run, written in one
// transaction.
#pragma once

#include <memory>
#include <string>

#include "platform/SqliteDatabase.h"
#include "platform/UnitRecord.h"

namespace bpconf::platform {

// Inserts the entry and its messages inside the transaction the caller holds; the failure's
// words, or "".
std::string InsertEntry(SqliteDatabase& db, const UnitEntry& entry);

class SqliteUnitRecord : public IUnitRecord {
  public:
    explicit SqliteUnitRecord(std::shared_ptr<SqliteDatabase> db) : db_(std::move(db)) {}

    RecordResult Write(const UnitEntry& entry) override;
    RecordResult Read(const UnitQuery& query, std::vector<UnitEntry>& entries) override;
    RecordResult Probe() override;
    std::string Location() const override { return db_->Path(); }

  private:
    std::shared_ptr<SqliteDatabase> db_;
};

}  // namespace bpconf::platform
