// A counter that cannot be kept (no folder to keep it in): every read and change says why.
#pragma once

#include <string>

#include "platform/CounterStore.h"

namespace bpconf::platform {

class UnavailableCounterStore : public ICounterStore {
  public:
    UnavailableCounterStore(std::string location, std::string reason)
        : location_(std::move(location)), reason_(std::move(reason)) {}
    StoredValue Read() override {
        StoredValue v;
        v.kind = StoredValue::Kind::Unreadable;
        v.reason = reason_;
        return v;
    }
    CounterChange Change(
        const std::function<std::optional<std::string>(const StoredValue&)>&) override {
        CounterChange c;
        c.failure = CounterChange::Failure::Unreadable;
        c.reason = reason_;
        return c;
    }
    std::string Location() const override { return location_; }

  private:
    std::string location_, reason_;
};

}  // namespace bpconf::platform
