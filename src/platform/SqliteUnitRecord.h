// The station's record: one SQLite file in the user's data folder, shared by the window, the
// command line and parallel runs. WAL mode, so readers never wait for a writer; every write is a
// BEGIN IMMEDIATE transaction that waits its turn (up to the busy timeout) instead of failing.
#pragma once

#include <memory>
#include <string>

#include "platform/CounterStore.h"
#include "platform/UnitRecord.h"

struct sqlite3;

namespace bpconf::platform {

class SqliteUnitRecord : public IUnitRecord {
  public:
    explicit SqliteUnitRecord(std::string path, int busyTimeoutMs = 30000);
    ~SqliteUnitRecord() override;
    SqliteUnitRecord(const SqliteUnitRecord&) = delete;
    SqliteUnitRecord& operator=(const SqliteUnitRecord&) = delete;

    RecordResult Write(const UnitEntry& entry) override;
    RecordResult Read(const UnitQuery& query, std::vector<UnitEntry>& entries) override;
    RecordResult SerialUsed(const std::string& serial, bool& used) override;
    std::string Location() const override { return path_; }

    // The station's ledger of serial numbers (the same table a line's database keeps): the
    // claim reserved; usedAlready when the number is there already and not void.
    RecordResult ReserveSerial(const SerialClaim& claim, bool& usedAlready);
    RecordResult SettleSerial(const SerialClaim& claim, ClaimOutcome outcome);

  private:
    // Opens the file on first use: its folder created, WAL mode, the schema applied.
    RecordResult Open();
    // Rolls back what is open; error: the words of the failure, when already taken.
    RecordResult Failure(const std::string& what, const std::string& error = "");

    std::string path_;
    int busyTimeoutMs_;
    sqlite3* db_ = nullptr;
};

// The station's counter (file or registry) with the record's ledger: a number taken from the
// counter is reserved in the ledger before its message can leave, so a counter set back to a
// number already on a unit stops the run there instead of stamping it twice.
class LedgerCounterStore : public ICounterStore {
  public:
    LedgerCounterStore(std::unique_ptr<ICounterStore> counter,
                       std::unique_ptr<SqliteUnitRecord> ledger);
    StoredValue Read() override { return counter_->Read(); }
    CounterChange Change(
        const std::function<std::optional<std::string>(const StoredValue&)>& choose) override {
        return counter_->Change(choose);
    }
    CounterChange Reserve(
        const std::function<std::optional<std::string>(const StoredValue&)>& choose,
        const SerialClaim& claim) override;
    CounterChange Settle(const SerialClaim& claim, ClaimOutcome outcome) override;
    std::string Location() const override { return counter_->Location(); }

  private:
    std::unique_ptr<ICounterStore> counter_;
    std::unique_ptr<SqliteUnitRecord> ledger_;
};

// A record that cannot be kept (no data folder): every call says why.
class UnavailableUnitRecord : public IUnitRecord {
  public:
    explicit UnavailableUnitRecord(std::string reason) : reason_(std::move(reason)) {}
    RecordResult Write(const UnitEntry&) override { return {false, reason_}; }
    RecordResult Read(const UnitQuery&, std::vector<UnitEntry>&) override {
        return {false, reason_};
    }
    RecordResult SerialUsed(const std::string&, bool&) override { return {false, reason_}; }
    std::string Location() const override { return "units.sqlite"; }

  private:
    std::string reason_;
};

}  // namespace bpconf::platform
