// The update run of Button3: the fixed sequence of steps, each reading its setting when it
// comes, one message per step as a job of its own, paced by fixed pauses, every job followed
// until the printer has it. Whatever can be checked is checked before the first byte: every
// value the run will convert, the record, the serial number and the printer's queue.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "operator/Deliveries.h"
#include "operator/Package.h"
#include "operator/RunEnd.h"
#include "operator/RunSettings.h"
#include "operator/RunView.h"
#include "operator/SerialInput.h"
#include "operator/Services.h"
#include "operator/WindowState.h"
#include "serials/SerialPolicy.h"
#include "transport/untByteList.h"

namespace bpconf::op {

class UpdateRun {
  public:
    UpdateRun(const IRunSettings& settings, IRunView& view, Services& services, WindowState& state,
              ISerialInput& serialInput, const Package& package)
        : settings_(settings),
          view_(view),
          s_(services),
          state_(state),
          serialInput_(serialInput),
          package_(package),
          policy_(services.serials, services.line),
          deliveries_(services.transport, services.pacer, services.jobTimeoutMs) {}

    // Runs every step, shows how the run ended (its boxes, the status text, the start button
    // usable again after an early end) and returns the end. A close request stops it at its next
    // pump, pause or wait (RunEnd::Closed). Whatever way it ends, the serial number it took is
    // settled and its entry written to the record.
    RunEnd Run();
    // The last run's entry could not be written to the record (the operator was told).
    bool RecordFailed() const { return recordFailed_; }
    // The serial number the last run handed to the transport, or "".
    const std::string& StampedSerial() const { return stampedSerial_; }
    // The last run's messages, in sending order, with what became of each.
    const std::vector<SentMessage>& SentMessages() const { return deliveries_.Messages(); }
    // How many entries (and settlings) wait on the station for the line after the last run.
    int LineWaiting() const { return lineWaiting_; }
    // The serial number the last run refused because it is on a unit already, or "".
    const std::string& RefusedSerial() const { return refusedSerial_; }

  private:
    // Normal, or the early end a step or a check came to.
    RunEnd Steps();
    // Everything that can be known before the first byte; an early end, or Normal to go on.
    RunEnd CheckBeforeFirstByte();
    // Builds every message the ticked settings would send, so a value that is no number ends
    // the run before anything was sent (the same box the step would show).
    void CheckValues();
    // The serial number the run will take: free, or confirmed by the operator.
    RunEnd CheckSerial();
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
    void Send(const std::string& frame, bool carriesSerial = false);
    // A message goes out only when the one before it has reached the printer.
    void SendMessage(const THfByteList& message, const std::string& kind,
                     const std::string& portName, bool carriesSerial = false);
    void AwaitDeliveries();
    // After the last message: the delivery check, when the spooler's word is all there is.
    void ConfirmLastMessage();
    // The failure of a message found by a look at the jobs (unconfirmed: every message arrived,
    // not every one is known whole).
    DeliveryFailure FailureOf(std::uint32_t error, bool unconfirmed = false) const;
    // The queue is asked before anything is sent: no serial number for a unit that gets nothing.
    void CheckQueueBeforeRun();
    // The design trims only the control characters around the printer name; one inside it would
    // go out as part of the name message (an ESC there starts a command of its own).
    void CheckPrinterName();
    // The serial-number step: the number taken, reserved and sent.
    void SerialStep();
    void EndAfterDeliveryFailure(const DeliveryFailure& failure);
    // The warning of a package too large for the self-test page.
    void WarnOversized();
    // What the ledger is to say of the number taken, from what became of its message (nothing:
    // it stays reserved).
    std::optional<serials::SerialState> Settlement() const;
    // The status text of an early end that came before anything was sent.
    void ShowIfNothingSent(RunEnd end);
    // Stamped when the serial-number message reached the unit, void when it never left; a
    // number handed over and never confirmed stays reserved.
    void SettleSerial();
    void Record(RunEnd end);
    std::string TargetText() const;
    bool SerialStepRuns() const;
    std::string Language() const { return state_.interfaceLanguage; }

    const IRunSettings& settings_;
    IRunView& view_;
    Services& s_;
    WindowState& state_;
    ISerialInput& serialInput_;
    const Package& package_;
    serials::SerialPolicy policy_;
    Deliveries deliveries_;
    std::string stampedSerial_;
    std::string runId_;
    std::int64_t startedMs_ = 0;
    serials::TakenSerial serial_;
    std::string confirmedReuse_;  // the serial number the operator allowed on a second unit
    std::string detail_;          // why the run ended early, as the operator read it
    std::string refusedSerial_;
    bool recordFailed_ = false;
    int lineWaiting_ = 0;
    serials::LineProblem::Kind lineProblem_ = serials::LineProblem::Kind::None;
};

}  // namespace bpconf::op
