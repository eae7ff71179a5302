// The run's settings read from the window's controls, each at the moment it is asked for.
#pragma once

#include "operator/Form.h"
#include "operator/RunSettings.h"

namespace bpconf::op {

class FormRunSettings : public IRunSettings {
  public:
    explicit FormRunSettings(const IForm& form) : form_(form) {}
    bool DriverPath() const override;
    std::string PrinterName() const override;
    std::string PortName() const override;
    bool Ticked(Setting setting) const override;
    std::string Text(Setting setting) const override;
    int Item(Setting setting) const override;
    bool OldSelfTestHeader() const override;
    std::string SerialStamp() const override;

  private:
    const IForm& form_;
};

}  // namespace bpconf::op
