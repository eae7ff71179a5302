// The station's record: one SQLite file in the user's data folder, shared by the window, the
// command line and parallel runs. WAL mode, so readers never wait for a writer; every write is a
// BEGIN IMMEDIATE transaction that waits its turn (up to the busy timeout) instead of failing.
#pragma once

#include <memory>
#include <string>

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

  private:
    // Opens the file on first use: its folder created, WAL mode, the schema applied.
    RecordResult Open();
    RecordResult Failure(const std::string& what);

    std::string path_;
    int busyTimeoutMs_;
    sqlite3* db_ = nullptr;
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
