// A record that cannot be kept (no data folder to keep it in): every call says why.
#pragma once

#include <string>

#include "platform/UnitRecord.h"

namespace bpconf::platform {

class UnavailableUnitRecord : public IUnitRecord {
  public:
    UnavailableUnitRecord(std::string location, std::string reason)
        : location_(std::move(location)), reason_(std::move(reason)) {}
    RecordResult Write(const UnitEntry&) override { return {false, reason_}; }
    RecordResult Read(const UnitQuery&, std::vector<UnitEntry>&) override {
        return {false, reason_};
    }
    RecordResult Probe() override { return {false, reason_}; }
    std::string Location() const override { return location_; }

  private:
    std::string location_, reason_;
};

}  // namespace bpconf::platform
