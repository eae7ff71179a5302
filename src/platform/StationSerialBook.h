// The station's serial numbers: the counter (the registry value, or its file elsewhere) and the
// ledger in the station's record. An exclusive section holds the counter's lock and then the
// record's write lock, always in that order, so sections of several programs never wait on each
// other in a circle.
#pragma once

#include <memory>
#include <string>

#include "platform/CounterStore.h"
#include "platform/SerialBook.h"
#include "platform/SqliteDatabase.h"

namespace bpconf::platform {

// The sequence name the station's rows carry in the ledger.
inline constexpr const char* kStationSequence = "station";

class StationSerialBook : public ISerialBook, private ILedgerReader {
  public:
    // db: the station's record; nothing when it cannot be kept (whyNot says why, every ledger
    // call fails with it).
    StationSerialBook(std::unique_ptr<ICounterStore> counter, std::shared_ptr<SqliteDatabase> db,
                      std::string whyNot = "");

    StoredValue ReadCounter() override { return counter_->Read(); }
    BookResult Exclusive(const std::function<bool(ISerialSection&)>& work) override;
    ILedgerReader& Ledger() override { return *this; }
    BookResult Update(const std::string& serial, const std::string& runId, const std::string& from,
                      const std::string& to, int& changed) override;
    BookResult Rows(const std::string& prefix, std::vector<LedgerEntry>& rows) override;
    BookResult Settings(std::vector<CounterSetting>& settings) override;
    std::string CounterLocation() const override { return counter_->Location(); }
    std::string LedgerLocation() const override;

    ICounterStore& Counter() { return *counter_; }

  private:
    BookResult Find(const std::string& serial, SerialFacts& facts) override;
    BookResult Highest(const std::string& prefix, std::string& serial) override;
    BookResult LastSetting(CounterSetting& setting, bool& found) override;

    std::unique_ptr<ICounterStore> counter_;
    std::shared_ptr<SqliteDatabase> db_;
    std::string whyNot_;
};

}  // namespace bpconf::platform
