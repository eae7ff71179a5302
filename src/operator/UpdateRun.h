// The update run of Button3: the fixed sequence of steps, each reading the window when it comes,
// one message per step as a job of its own, paced by fixed pauses, every job followed until the
// printer has it.
#pragma once

#include <string>
#include <vector>

#include "operator/Deliveries.h"
#include "operator/Form.h"
#include "operator/RunEnd.h"
#include "operator/SerialCounter.h"
#include "operator/Services.h"
#include "operator/UpdatePackage.h"
#include "operator/WindowState.h"
#include "transport/untByteList.h"

namespace bpconf::op {

class UpdateRun {
  public:
    UpdateRun(IForm& form, Services& services, WindowState& state, SerialCounter& serial,
              const UpdatePackage& package)
        : form_(form),
          s_(services),
          state_(state),
          serial_(serial),
          package_(package),
          deliveries_(services.transport, services.pacer, services.jobTimeoutMs) {}

    // Runs every step, shows how the run ended (its boxes, the status text, Button3 enabled
    // again after an early end) and returns the end. A close request stops it at its next pump,
    // pause or wait (RunEnd::Closed). Whatever way it ends, the serial number it reserved is
    // settled and its entry written to the record.
    RunEnd Run();
    // The last run's entry could not be written to the record (the operator was told).
    bool RecordFailed() const { return recordFailed_; }

    // The serial number (stamp and counter) the last run handed to the transport, or "".
    const std::string& StampedSerial() const { return stampedSerial_; }
    // The last run's messages, in sending order, with what became of each.
    const std::vector<SentMessage>& SentMessages() const { return deliveries_.Messages(); }

  private:
    // Normal, or Oversized when the self-test step refused the package.
    RunEnd Steps();
    // false when the payload is too large: the run ends there.
    bool SelfTestStep();
    void Show(const std::string& chinese, const std::string& english);
    void Advance();
    // The end of a run step: advance the bar, pump, pause.
    void EndStep();
    void Pump();
    // The run's pause; within it the run looks at its jobs.
    void Pause(int milliseconds);
    void StopIfClosing();
    void Send(const std::string& frame);
    // A message goes out only when the one before it has reached the printer.
    void SendMessage(const THfByteList& message, const std::string& kind,
                     const std::string& portName);
    void AwaitDeliveries();
    // The queue is asked before anything is sent: no serial number for a unit that gets nothing.
    void CheckQueueBeforeRun();
    // The design trims only the control characters around the printer name; one inside it would
    // go out as part of the name message (an ESC there starts a command of its own).
    void CheckPrinterName();
    void EndAfterDeliveryFailure(const DeliveryFailure& failure);
    // A serial number the operator typed that the record shows on a unit already is stamped
    // again only when the operator says so; false when the operator said No.
    bool CheckSerialReuse();
    // Stamped when the STSN message reached the unit, void when it never left; a number handed
    // over and never confirmed stays reserved.
    void SettleSerial();
    void Record(RunEnd end);
    std::string TargetText() const;
    bool DriverPath() const { return form_.Checked(ctl::rdbDriver); }

    IForm& form_;
    Services& s_;
    WindowState& state_;
    SerialCounter& serial_;
    const UpdatePackage& package_;
    Deliveries deliveries_;
    std::string stampedSerial_;
    std::string runId_;
    std::int64_t startedMs_ = 0;
    platform::SerialClaim claim_;
    std::string detail_;  // why the run ended early, as the operator read it
    bool recordFailed_ = false;
};

}  // namespace bpconf::op
