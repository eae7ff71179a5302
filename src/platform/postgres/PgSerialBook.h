// The line's serial numbers in its PostgreSQL database: one counter and one ledger for every
// station. An exclusive section is one short transaction under a lock of the sequence (an
// advisory lock held to the end of the transaction only, never while bytes go to a printer).
#pragma once

#include <memory>
#include <string>

#include "platform/SerialBook.h"
#include "platform/postgres/PgConnection.h"

namespace bpconf::platform {

// The sequence of the line's serial numbers.
inline constexpr const char* kLineSequence = "serial";

class PgSerialBook : public ISerialBook, private ILedgerReader {
  public:
    explicit PgSerialBook(std::shared_ptr<PgConnection> connection) : c_(std::move(connection)) {}

    StoredValue ReadCounter() override;
    BookResult Exclusive(const std::function<bool(ISerialSection&)>& work) override;
    ILedgerReader& Ledger() override { return *this; }
    BookResult Update(const std::string& serial, const std::string& runId, const std::string& from,
                      const std::string& to, int& changed) override;
    BookResult Rows(const std::string& prefix, std::vector<LedgerEntry>& rows) override;
    BookResult Settings(std::vector<CounterSetting>& settings) override;
    std::string CounterLocation() const override;
    std::string LedgerLocation() const override;

  private:
    BookResult Find(const std::string& serial, SerialFacts& facts) override;
    BookResult Highest(const std::string& prefix, std::string& serial) override;
    BookResult LastSetting(CounterSetting& setting, bool& found) override;

    std::shared_ptr<PgConnection> c_;
};

}  // namespace bpconf::platform
