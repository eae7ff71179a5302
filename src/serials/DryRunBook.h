// The book of a dry run (bpconf-cli frames): it reads the real counter and ledger, so the run
// takes the decisions a real run would, and keeps nothing.
#pragma once

#include "platform/SerialBook.h"

namespace bpconf::serials {

class DryRunBook : public platform::ISerialBook {
  public:
    explicit DryRunBook(platform::ISerialBook& real) : real_(real) {}

    platform::StoredValue ReadCounter() override { return real_.ReadCounter(); }
    platform::BookResult Exclusive(
        const std::function<bool(platform::ISerialSection&)>& work) override;
    platform::ILedgerReader& Ledger() override { return real_.Ledger(); }
    platform::BookResult Update(const std::string&, const std::string&, const std::string&,
                                const std::string&, int& changed) override {
        changed = 1;
        return {};
    }
    std::string CounterLocation() const override { return real_.CounterLocation(); }
    std::string LedgerLocation() const override { return real_.LedgerLocation(); }

  private:
    platform::ISerialBook& real_;
};

}  // namespace bpconf::serials
