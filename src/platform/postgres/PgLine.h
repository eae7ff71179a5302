// The line's database (PostgreSQL): one serial-number sequence and one record for every station
// of a line. A number is reserved in a short transaction of its own, under a lock of the
// sequence that is held only while the next value is chosen, never while bytes go to a printer;
// it is settled stamped or void once the run knows. Every number is in the ledger: none reaches
// two units, whatever crashes.
#pragma once

#include <memory>
#include <string>

#include "platform/CounterStore.h"
#include "platform/UnitRecord.h"

namespace bpconf::platform {

// The sequence of the line's serial numbers.
inline constexpr const char* kLineSequence = "serial";

class PgConnection;

class PgCounterStore : public ICounterStore {
  public:
    explicit PgCounterStore(std::shared_ptr<PgConnection> connection);
    StoredValue Read() override;
    CounterChange Change(
        const std::function<std::optional<std::string>(const StoredValue&)>& choose) override;
    CounterChange Reserve(
        const std::function<std::optional<std::string>(const StoredValue&)>& choose,
        const SerialClaim& claim) override;
    CounterChange Settle(const SerialClaim& claim, ClaimOutcome outcome) override;
    std::string Location() const override;

  private:
    CounterChange Transaction(
        const std::function<std::optional<std::string>(const StoredValue&)>& choose,
        const SerialClaim* claim);
    std::shared_ptr<PgConnection> c_;
};

class PgUnitRecord : public IUnitRecord {
  public:
    explicit PgUnitRecord(std::shared_ptr<PgConnection> connection);
    RecordResult Write(const UnitEntry& entry) override;
    RecordResult Read(const UnitQuery& query, std::vector<UnitEntry>& entries) override;
    RecordResult SerialUsed(const std::string& serial, bool& used) override;
    std::string Location() const override;

  private:
    std::shared_ptr<PgConnection> c_;
};

// A connection to the database the URL names ("postgresql://…" or "host=… dbname=…"), opened on
// first use and opened again after the server went away.
std::shared_ptr<PgConnection> ConnectLineDatabase(const std::string& url);

// Creates the schema of the record and the sequences (`bpconf-cli db init`); running it again
// changes nothing.
RecordResult InitLineDatabase(const std::string& url);

}  // namespace bpconf::platform
