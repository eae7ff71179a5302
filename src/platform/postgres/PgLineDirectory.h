// The line's schema version and its stations, in its PostgreSQL database.
#pragma once

#include <memory>

#include "platform/LineDirectory.h"
#include "platform/postgres/PgConnection.h"

namespace bpconf::platform {

class PgLineDirectory : public ILineDirectory {
  public:
    explicit PgLineDirectory(std::shared_ptr<PgConnection> connection)
        : c_(std::move(connection)) {}
    RecordResult SchemaVersion(int& version) override;
    RecordResult Claim(const StationHolder& wanted, StationHolder& holder) override;
    RecordResult Release(const std::string& name, const StationHolder& by, bool& found) override;
    RecordResult Note(const std::string& event, const StationHolder& station,
                      const std::string& detail) override;

  private:
    std::shared_ptr<PgConnection> c_;
};

}  // namespace bpconf::platform
