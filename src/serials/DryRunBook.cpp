#include "serials/DryRunBook.h"

namespace bpconf::serials {

namespace {

class DrySection : public platform::ISerialSection {
  public:
    DrySection(platform::ILedgerReader& ledger, platform::StoredValue counter)
        : ledger_(ledger), counter_(std::move(counter)) {}
    const platform::StoredValue& Counter() const override { return counter_; }
    platform::BookResult Find(const std::string& serial, platform::SerialFacts& facts) override {
        return ledger_.Find(serial, facts);
    }
    platform::BookResult Highest(const std::string& prefix, std::string& serial) override {
        return ledger_.Highest(prefix, serial);
    }
    platform::BookResult LastSetting(platform::CounterSetting& setting, bool& found) override {
        return ledger_.LastSetting(setting, found);
    }
    platform::BookResult Add(const platform::LedgerEntry&) override { return {}; }
    void SetCounter(const std::string&) override {}
    platform::BookResult Note(const platform::CounterSetting&) override { return {}; }

  private:
    platform::ILedgerReader& ledger_;
    platform::StoredValue counter_;
};

}  // namespace

platform::BookResult DryRunBook::Exclusive(
    const std::function<bool(platform::ISerialSection&)>& work) {
    platform::StoredValue counter = real_.ReadCounter();
    if (counter.kind == platform::StoredValue::Kind::Unreadable) {
        platform::BookResult r;
        r.failure = platform::BookResult::Failure::CounterUnreadable;
        r.reason = counter.reason;
        return r;
    }
    DrySection section(real_.Ledger(), std::move(counter));
    work(section);
    return {};
}

}  // namespace bpconf::serials
