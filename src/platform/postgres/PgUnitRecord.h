// The line's record in its PostgreSQL database: every station's entries in one place.
#pragma once

#include <memory>
#include <string>

#include "platform/UnitRecord.h"
#include "platform/postgres/PgConnection.h"

namespace bpconf::platform {

class PgUnitRecord : public IUnitRecord {
  public:
    explicit PgUnitRecord(std::shared_ptr<PgConnection> connection) : c_(std::move(connection)) {}
    RecordResult Write(const UnitEntry& entry) override;
    RecordResult Read(const UnitQuery& query, std::vector<UnitEntry>& entries) override;
    RecordResult Probe() override;
    std::string Location() const override { return c_->Where(); }

  private:
    std::shared_ptr<PgConnection> c_;
};

}  // namespace bpconf::platform
