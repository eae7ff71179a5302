// The operator window's logic: start-up, printer list, interface language, serial number, the
// update package and the update run. Toolkit-free: it reads and writes the window through IForm
// and reaches the platform through the services it is given.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "operator/Form.h"
#include "operator/Pacer.h"
#include "operator/RunTimeouts.h"
#include "platform/CounterStore.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/Printers.h"
#include "transport/untByteList.h"
#include "transport/untFunction.h"

namespace bpconf::op {

struct Services {
    platform::IPrinterList& printers;
    TTransport& transport;
    platform::ICounterStore& counter;
    platform::ILocale& locale;
    platform::IClock& clock;
    platform::IMessageBoxes& boxes;
    platform::IFileDialog& fileDialog;
    IPacer& pacer;
    // Converts the operator's UTF-8 text to the system's ANSI code page (printer name).
    std::function<std::string(const std::string&)> toAnsi;
    // How long the run waits for a job to reach the printer before it gives up on it; 0: jobs
    // are not followed (a job the spooler took counts as sent).
    int jobTimeoutMs = kDefaultJobTimeoutMs;
};

// A message of a run and what became of it.
struct SentMessage {
    std::string description;  // as the decoder shows it: "STDP 28", "STSN \"2026120001\""
    Delivery delivery;
    platform::JobState state;  // the last state seen
    bool arrived = false;
};

// How an update run ended.
enum class RunEnd {
    Normal,
    Conversion,   // a value that is not a whole number
    Oversized,    // the self-test payload is too large
    SerialStore,  // no serial number could be taken from the counter store
    Delivery,     // a message did not reach the printer, or its queue cannot print
    Closed,       // the window closed during the run
    NotStarted,   // a run was already under way
};

class OperatorWindow {
  public:
    OperatorWindow(IForm& form, Services services) : form_(form), s_(std::move(services)) {}

    // Window creation, in the order of the design (serial counter read before the printer list,
    // shown after it).
    void FormCreate();
    // Empties cmbDriver, adds the installed printers and selects the default printer.
    void FillPrinterList();
    // One of rdbDriver, rdbLpt, rdbCom became selected.
    void rdbDriverClick();
    // Button4 closes the window (through closeWindow); any other sender switches the language.
    void Button4Click(const std::string& sender);
    // The language switch of Button5.
    void SwitchLanguage();
    // The window closes: the counter is stored and the package released. During a run the run
    // is stopped first, at its next pump or pause, so nothing it advanced is lost.
    void FormClose();

    // Serial number.
    void DTPUpdateNoChange();
    void UpdateYearMonthStamp(const platform::LocalDateTime& date);
    // A character typed into txtUpdateNo passes when it is a digit or backspace.
    static bool CounterKeyPasses(char32_t typed);
    // Text pasted into txtUpdateNo, keeping only what typing would let through.
    static std::string FilterCounterText(const std::string& text);
    // The operator changed the text of txtUpdateNo: the next stamp takes that number.
    void txtUpdateNoChange();
    // Takes the number of the unit from the counter store, under its lock: the box's number when
    // the operator set it since the box was last filled from the store, else the stored one
    // (another program may have moved it on). The next number is stored, flushed, and shown in
    // the box before this returns; the result is the serial counter text to stamp. Raises the
    // conversion error for a box that holds no whole number, and RunFailure when the store
    // cannot give a number; the store is unchanged then.
    std::string TakeSerialNumber();
    // Adds one to the updated-units count.
    void CountUpdatedUnit();
    // Stores the box's number at closing when the operator set it; otherwise the store already
    // holds the truth and is left alone (another program may have moved it on).
    void SaveSerialCounter();

    // The update run of Button3, and the package buttons.
    RunEnd Button3Click();
    void Button1Click();
    void Button2Click();

    // Calls a handler and shows any failure it raises in the standard error box, so that no
    // failure ever crosses the event loop; the window stays usable.
    bool Guarded(const std::function<void()>& handler);

    const std::string& InterfaceLanguage() const { return interfaceLanguage_; }
    void SetInterfaceLanguage(const std::string& language) { interfaceLanguage_ = language; }
    bool SpecialMode() const { return specialMode_; }
    bool ProductionMode() const { return productionMode_; }
    ByteLists& PackageList() { return packageList_; }
    bool Running() const { return running_; }
    // The serial number (stamp and counter) the last run handed to the transport, or "".
    const std::string& StampedSerial() const { return stampedSerial_; }
    // The last run's messages, in sending order, with what became of each.
    const std::vector<SentMessage>& SentMessages() const { return sent_; }
    // What Button4 and a close request during a run call to close the window.
    void SetCloseWindow(std::function<void()> closeWindow) {
        closeWindow_ = std::move(closeWindow);
    }

    // A run that cannot go on: the text tells the operator why, in the interface language.
    struct RunFailure {
        RunEnd end;
        std::string text;
    };
    // A message that did not reach the printer, or a queue that cannot print.
    struct DeliveryFailure {
        std::uint32_t error;
        bool shown;      // the transport has shown its box already
        bool beforeRun;  // the queue was refused before anything was sent
    };

  private:
    class RunStopped {};

    std::optional<int> LoadSerialCounterStored();
    void LoadSerialCounterShow(std::optional<int> counter);
    // Writes the store's counter into the box; an edit of the operator is what differs from it.
    void FillCounter(const std::string& text);
    bool CounterSetByOperator() const;
    void Show(const char* chinese, const std::string& english);
    void Advance();
    // The end of a run step: advance the bar, pump, pause.
    void EndStep();
    // Pump and pause, stopping the run when the window is to close.
    void Pump();
    void Pause(int milliseconds);
    void Send(const std::string& frame);
    void SendMessage(const THfByteList& message, const std::string& kind,
                     const std::string& portName);
    bool Following() const { return s_.jobTimeoutMs > 0; }
    // Looks at the run's jobs that have not arrived yet; a job that will never arrive ends the run.
    void CheckDeliveries();
    // Waits, at most the job timeout, until every job of the run has arrived; a job still
    // waiting then is cancelled and ends the run.
    void AwaitDeliveries();
    void CancelOutstanding();
    void CheckQueueBeforeRun();
    void CheckPrinterName();
    // Waits, at most the job timeout, until a test print has arrived; tells the operator if not.
    void AwaitTestPrint(const Delivery& delivery);
    // Ends the run after a delivery failure: its box once, the failure text, no job left.
    void EndAfterDeliveryFailure(const DeliveryFailure& failure);
    bool DriverPath() const;
    void RunSteps();
    void SelfTestStep();

    IForm& form_;
    Services s_;
    bool specialMode_ = false;
    bool productionMode_ = false;
    std::string interfaceLanguage_ = "english";
    ByteLists packageList_;
    bool running_ = false;
    bool closeRequested_ = false;
    RunEnd runEnd_ = RunEnd::Normal;
    std::string stampedSerial_;
    std::vector<SentMessage> sent_;
    std::string counterFilled_;
    bool counterEdited_ = false;
    std::function<void()> closeWindow_;
};

// "%.4d": zero-filled to at least four digits (a sign counts apart).
std::string FormatCounter(long long value);
// The strict 32-bit conversion of a counter text, without raising.
std::optional<std::int32_t> ParseCounter(const std::string& text);

}  // namespace bpconf::op
