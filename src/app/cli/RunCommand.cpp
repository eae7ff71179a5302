// bpconf-cli run and frames: the update run of the window from the command line's checked
// settings, on one target or on several at the same time.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

#include "app/cli/CliOptions.h"
#include "operator/LineAddress.h"
#include "operator/OperatorTexts.h"
#include "operator/Profile.h"
#include "operator/SerialInput.h"
#include "operator/SystemLanguage.h"
#include "operator/UpdateRun.h"
#include "platform/AnsiText.h"
#include "platform/AsciiText.h"
#include "platform/MemoryPorts.h"
#include "platform/MemorySpooler.h"
#include "serials/DryRunBook.h"
#include "serials/SerialNumber.h"
#include "transport/Errors.h"

namespace bpconf::cli {

namespace {

// Set by Ctrl+C or SIGTERM: the runs stop as a closed window's run does.
std::atomic<bool> gStopRequested{false};

extern "C" void OnStopSignal(int) {
    gStopRequested = true;
}

// The run's pacing on the command line (or none, for emulators and dry runs). A stop request is
// passed on at the next pump, pause or wait, so the run ends there and cancels what still waits
// in the queue, instead of dying with a job on its way.
class CliPacer : public op::IPacer {
  public:
    CliPacer(bool paced, op::WindowState& state) : paced_(paced), state_(state) {}
    void Pump() override { CheckStop(); }
    void Pause(int ms) override {
        for (int left = paced_ ? ms : 0; left > 0 && !gStopRequested; left -= kSliceMs)
            platform::SleepMilliseconds(std::min(left, kSliceMs));
        CheckStop();
    }
    void Poll(int ms) override {
        platform::SleepMilliseconds(ms);
        CheckStop();
    }

  private:
    static constexpr int kSliceMs = 50;
    void CheckStop() {
        if (gStopRequested)
            state_.closeRequested = true;
    }
    bool paced_;
    op::WindowState& state_;
};

// The run's progress on standard output: each status text one line with the progress.
class ConsoleRunView : public op::IRunView {
  public:
    ConsoleRunView(bool print, std::string prefix) : print_(print), prefix_(std::move(prefix)) {}
    void SetProgressRange(int minimum, int maximum) override {
        minimum_ = minimum;
        maximum_ = maximum;
    }
    int Progress() const override { return position_; }
    void SetProgress(int position) override {
        position_ = std::clamp(position, minimum_, maximum_);
    }
    void ShowStatus(const std::string& text) override {
        status_ = text;
        if (print_) {
            PrintLine(std::cout, prefix_ + "[" + std::to_string(position_) + "/" +
                                     std::to_string(maximum_) + "] " + text);
        }
    }
    std::string Status() const override { return status_; }
    void EnableStart(bool) override {}

  private:
    bool print_;
    std::string prefix_;
    int minimum_ = 0, maximum_ = 100, position_ = 0;
    std::string status_;
};

// The operator's number of the command line (serial.counter) for one target: with several
// targets the first takes the number, the second the number after it, and so on, so the numbers
// follow the operator's whatever order the runs reach their stamps in. Each is taken once and
// checked before the target's first byte like a number typed into the window's box (one past
// the largest counter is refused there, as typed text would be).
class OperatorNumber : public op::ISerialInput {
  public:
    explicit OperatorNumber(std::optional<std::int64_t> number) : number_(number) {}
    std::optional<std::string> OperatorText() const override {
        if (!number_)
            return std::nullopt;
        if (*number_ > serials::kLargestCounter)
            return std::to_string(*number_);
        return serials::FormatCounter(static_cast<std::int32_t>(*number_));
    }
    std::optional<std::int32_t> Claim() override {
        const auto number = std::exchange(number_, std::nullopt);
        if (!number || *number > serials::kLargestCounter)
            return std::nullopt;
        return static_cast<std::int32_t>(*number);
    }
    void Taken(const serials::TakenSerial&) override {}
    void Declined(const std::string&) override {}
    void CountUpdatedUnit() override {}

  private:
    std::optional<std::int64_t> number_;
};

// The printers of a run: none is listed (a named target needs no list from the spooler).
class NoPrinterList : public platform::IPrinterList {
  public:
    platform::PrinterListing List() override { return {}; }
};

// What one target's run came to.
struct TargetResult {
    std::string label;
    int status = kExitOk;
    bool recordFailed = false;
    std::string serial;
    std::string result;
};

// Everything a run needs that does not depend on the target, checked before anything is sent
// or stored.
struct RunPlan {
    op::RunSettings settings;
    op::Package package;
    bool dryRun = false;
    bool noPacing = false;
    bool reuseSerial = false;
    std::string language;
    int jobTimeoutMs = op::kDefaultJobTimeoutMs;
    platform::LineSettings line;
};

// One target's update run: its own transport, pacing, counter and record connections, so several
// run at the same time; the book's lock keeps their serial numbers apart.
TargetResult RunTarget(const RunPlan& plan, const Target& target, op::ISerialInput& operatorNumber,
                       const std::string& prefix,
                       std::vector<platform::KeptMessage>* dryRunMessages) {
    TargetResult r;
    r.label = target.name;
    const std::string captureDir = CaptureDirOf(target);
    auto boxes = platform::CreateConsoleMessageBoxes(prefix);
    platform::MemorySpooler recordingSpooler;
    platform::MemoryPorts recordingPorts(recordingSpooler.kept);
    std::unique_ptr<platform::ISpooler> spooler;
    std::unique_ptr<platform::IPortDevices> ports;
    if (!plan.dryRun) {
        spooler = platform::CreateSystemSpooler();
        if (!captureDir.empty())
            spooler = platform::CreateCaptureSpooler(std::move(spooler), captureDir);
        ports = platform::CreateSystemPortDevices();
    }
    TTransport transport(
        plan.dryRun ? static_cast<platform::ISpooler&>(recordingSpooler) : *spooler,
        plan.dryRun ? static_cast<platform::IPortDevices&>(recordingPorts) : *ports, *boxes);

    op::RunSettings settings = plan.settings;
    settings.driverPath = target.kind != Target::Kind::Port;
    settings.portName = target.kind == Target::Kind::Port ? text::Trim(target.name) : "";
    settings.printerName = PrinterNameOf(target);
    if (target.kind == Target::Kind::Printer && target.name.empty() && !plan.dryRun) {
        // The default printer, as the window's list selects it.
        const platform::PrinterListing listing = platform::CreateSystemPrinterList()->List();
        if (listing.error != 0) {
            transport.ShowDeliveryError(listing.error);
            r.status = kExitDeliveryFailed;
            r.result = "delivery failed";
            return r;
        }
        settings.printerName = listing.defaultName.value_or("");
    }
    if (r.label.empty())
        r.label = settings.printerName;

    platform::SerialsAndRecord store = platform::CreateSerialsAndRecord(plan.line, plan.dryRun);
    serials::DryRunBook dryBook(*store.book);
    auto locale = platform::CreateSystemLocale();
    auto clock = platform::CreateSystemClock();
    op::WindowState state;
    state.interfaceLanguage = plan.language;
    state.specialMode = state.productionMode = true;
    state.running = true;
    CliPacer pacer(!(plan.dryRun || plan.noPacing), state);
    NoPrinterList printers;
    platform::NoFileDialog dialog;
    op::Services services{printers,
                          transport,
                          plan.dryRun ? dryBook : *store.book,
                          *locale,
                          *clock,
                          *boxes,
                          dialog,
                          pacer,
                          platform::Utf8ToAnsi,
                          plan.dryRun ? 0 : plan.jobTimeoutMs};
    // A dry run leaves nothing in the record, and asks nothing of the line.
    services.record = plan.dryRun ? nullptr : store.record.get();
    std::unique_ptr<serials::StationLine> line;
    if (!plan.dryRun) {
        line = serials::StationLineOf(store, op::ShownLineAddress(plan.line.databaseUrl));
        services.line = line.get();
    }
    services.station = store.station;
    services.version = BPCONF_VERSION;
    services.captureFolder = captureDir;
    services.reuse = plan.reuseSerial ? op::Services::Reuse::Yes : op::Services::Reuse::No;

    const op::CheckedRunSettings checked(settings);
    ConsoleRunView view(!plan.dryRun, prefix);
    op::UpdateRun run(checked, view, services, state, operatorNumber, plan.package);
    const op::RunEnd end = run.Run();
    if (dryRunMessages != nullptr)
        *dryRunMessages = recordingSpooler.kept;

    r.serial = run.StampedSerial();
    r.recordFailed = run.RecordFailed();
    if (!run.RefusedSerial().empty() && !plan.reuseSerial) {
        PrintLine(std::cerr, prefix + "bpconf-cli: --reuse-serial stamps " + run.RefusedSerial() +
                                 " on this unit as well");
    }
    if (end == op::RunEnd::Delivery) {
        r.status = kExitDeliveryFailed;
        r.result = "delivery failed";
        // One line per message that did not reach the printer.
        for (const auto& sent : run.SentMessages()) {
            if (!sent.arrived) {
                PrintLine(std::cout,
                          prefix + "not delivered: " + sent.description + " (" +
                              ErrorLine(sent.state.error) +
                              (sent.state.reason.empty() ? "" : "; " + sent.state.reason) + ")");
            }
        }
    } else if (end == op::RunEnd::Unconfirmed) {
        r.status = kExitDeliveryFailed;
        r.result = "not confirmed";
        // The message whose last bytes no later job vouched for, and why the check failed.
        std::uint32_t error = 0;
        std::string reason;
        for (const auto& sent : run.SentMessages()) {
            if (sent.probe && !sent.arrived) {
                error = sent.state.error;
                reason = sent.state.reason;
            }
        }
        for (const auto& sent : run.SentMessages()) {
            if (!sent.probe && !sent.confirmed) {
                PrintLine(std::cout, prefix + "not confirmed: " + sent.description + " (" +
                                         ErrorLine(error) + (reason.empty() ? "" : "; " + reason) +
                                         ")");
            }
        }
    } else if (end == op::RunEnd::Closed) {
        r.status = kExitEndedEarly;
        r.result = "stopped";
    } else if (end != op::RunEnd::Normal) {
        r.status = kExitEndedEarly;
        r.result = "ended early";
    } else if (transport.FailedDeliveries() > 0) {
        r.status = kExitDeliveryFailed;
        r.result = "delivery failed";
    } else {
        r.result = "finished";
    }
    return r;
}

// The worse of two exit statuses: a delivery that failed outweighs an early end, which outweighs
// a record that could not be written.
int Worse(int a, int b) {
    auto rank = [](int s) {
        return s == kExitDeliveryFailed ? 3
               : s == kExitEndedEarly   ? 2
               : s == kExitRecordFailed ? 1
                                        : 0;
    };
    return rank(a) >= rank(b) ? a : b;
}

}  // namespace

int Run(const Options& o, bool dryRun) {
    if (!o.files.empty())
        return Usage("unexpected argument " + o.files[0]);
    if (dryRun && o.targets.size() > 1)
        return Usage("frames takes one target");

    // Every value is checked, and the profiles and the package read, before the serial numbers
    // or the record are touched or anything is sent.
    RunPlan plan;
    plan.dryRun = dryRun;
    plan.noPacing = o.noPacing;
    plan.reuseSerial = o.reuseSerial;
    plan.jobTimeoutMs = o.jobTimeoutMs;
    plan.language = !o.language.empty()
                        ? o.language
                        : op::SystemInterfaceLanguage(*platform::CreateSystemLocale());
    std::vector<op::ProfileText> profiles;
    std::string error;
    if (!ReadProfiles(o.profiles, profiles, error))
        return Usage(error);
    plan.settings = op::DesignRunSettings(plan.language, platform::CreateSystemClock()->Now());
    try {
        op::LineProfile lineProfile;
        op::ApplyProfiles(profiles, o.sets, plan.language, platform::Utf8ToAnsi, plan.settings,
                          lineProfile);
        plan.line = LineSettingsWith(lineProfile);
    } catch (const op::UsageError& e) {
        return Usage(e.what());
    }
    if (!o.package.empty()) {
        auto list = std::make_unique<THfByteList>();
        try {
            list->LoadFromFile(o.package, kMaxPackageBytes);
        } catch (const Exception& e) {
            return Usage(e.Message());
        }
        plan.package.Set(std::move(list), o.package);
    }

    std::vector<Target> targets = o.targets;
    if (targets.empty())
        targets.push_back(Target());
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    std::vector<OperatorNumber> operatorNumbers;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const auto& first = plan.settings.serialCounter;
        operatorNumbers.emplace_back(
            first ? std::optional<std::int64_t>(std::int64_t{*first} + static_cast<std::int64_t>(i))
                  : std::nullopt);
    }
    const bool several = targets.size() > 1;
    std::vector<TargetResult> results(targets.size());
    std::vector<platform::KeptMessage> dryRunMessages;
    if (!several) {
        results[0] =
            RunTarget(plan, targets[0], operatorNumbers[0], "", dryRun ? &dryRunMessages : nullptr);
    } else {
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            threads.emplace_back([&, i] {
                results[i] = RunTarget(plan, targets[i], operatorNumbers[i],
                                       "[" + targets[i].name + "] ", nullptr);
            });
        }
        for (auto& t : threads)
            t.join();
    }
    for (const auto& message : dryRunMessages)
        std::cout << text::HexBytes(message.bytes) << "\n";

    int status = kExitOk;
    for (const auto& r : results) {
        status = Worse(status, r.status);
        if (r.recordFailed)
            status = Worse(status, kExitRecordFailed);
        if (several) {
            PrintLine(std::cout,
                      "[" + r.label + "] " + (r.serial.empty() ? "-" : r.serial) + " " + r.result);
        }
    }
    return status;
}

}  // namespace bpconf::cli
