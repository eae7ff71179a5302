// bpconf-cli run and frames: the window's own update run through the in-memory window, on one
// target or on several at the same time.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

#include "app/cli/CliOptions.h"
#include "operator/Design.h"
#include "operator/FormModel.h"
#include "operator/OperatorTexts.h"
#include "operator/OperatorWindow.h"
#include "operator/Profile.h"
#include "operator/SystemLanguage.h"
#include "platform/AnsiText.h"
#include "platform/AsciiText.h"
#include "platform/MemoryPrinter.h"
#include "transport/Errors.h"

namespace bpconf::cli {

namespace {

// The in-memory window; each status text goes to standard output with the progress position.
class CliForm : public op::FormModel {
  public:
    bool printStatus = false;
    std::string prefix;
    void SetText(op::Control control, const std::string& text) override {
        op::FormModel::SetText(control, text);
        if (printStatus && control == op::ctl::StatusPanel1) {
            PrintLine(std::cout, prefix + "[" + std::to_string(ProgressPosition()) + "/" +
                                     std::to_string(ProgressMaximum()) + "] " + text);
        }
    }
};

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
    CliPacer(bool paced, std::function<void()> stop) : paced_(paced), stop_(std::move(stop)) {}
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
        if (gStopRequested && !stopped_) {
            stopped_ = true;
            stop_();
        }
    }
    bool paced_;
    std::function<void()> stop_;
    bool stopped_ = false;
};

// The printer list of a run whose target is named: just that printer, so the system's spooler is
// asked nothing it does not need (a capture or port target works without one).
class TargetPrinterList : public platform::IPrinterList {
  public:
    explicit TargetPrinterList(std::string name) : name_(std::move(name)) {}
    platform::PrinterListing List() override {
        if (name_.empty())
            return {};
        return {{name_}, name_, 0};
    }

  private:
    std::string name_;
};

// A dry run reads the stored counter and takes its decisions, but never changes it.
class DryRunCounter : public platform::ICounterStore {
  public:
    explicit DryRunCounter(platform::ICounterStore& store) : store_(store) {}
    platform::StoredValue Read() override { return store_.Read(); }
    platform::CounterChange Change(
        const std::function<std::optional<std::string>(const platform::StoredValue&)>& choose)
        override {
        platform::CounterChange change;
        const platform::StoredValue stored = store_.Read();
        if (stored.kind == platform::StoredValue::Kind::Unreadable) {
            change.failure = platform::CounterChange::Failure::Unreadable;
            change.reason = stored.reason;
            return change;
        }
        choose(stored);
        return change;
    }
    std::string Location() const override { return store_.Location(); }

  private:
    platform::ICounterStore& store_;
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
    std::vector<op::Setting> settings;
    std::vector<std::uint8_t> package;
    bool hasPackage = false;
    bool dryRun = false;
    bool noPacing = false;
    bool printStatus = false;
    std::string language;
    int jobTimeoutMs = op::kDefaultJobTimeoutMs;
    platform::LineSettings line;
    std::string packagePath;
    // The serial number the operator allowed to be stamped again (--reuse-serial).
    std::string confirmedReuse;
};

// One target's update run: its own window, transport, pacing and counter store, so several run
// at the same time; the counter store's lock keeps their serial numbers apart.
TargetResult RunTarget(const RunPlan& plan, const Target& target, const std::string& prefix,
                       std::vector<platform::KeptMessage>* dryRunMessages) {
    TargetResult r;
    r.label = target.name;
    auto backends = BackendsFor(target, plan.line);
    auto boxes = platform::CreateConsoleMessageBoxes(prefix);
    platform::MemorySpooler recordingSpooler;
    platform::MemoryPorts recordingPorts(recordingSpooler.kept);
    DryRunCounter dryCounter(*backends.counter);
    op::OperatorWindow* running = nullptr;
    CliPacer pacer(!(plan.dryRun || plan.noPacing), [&running] {
        if (running != nullptr)
            running->FormClose();  // during the run: it stops at its next pump or pause
    });
    platform::NoFileDialog dialog;
    TTransport transport(
        plan.dryRun ? static_cast<platform::ISpooler&>(recordingSpooler) : *backends.spooler,
        plan.dryRun ? static_cast<platform::IPortDevices&>(recordingPorts) : *backends.ports,
        *boxes);
    platform::ICounterStore& counter =
        plan.dryRun ? static_cast<platform::ICounterStore&>(dryCounter) : *backends.counter;
    // A named target needs no list from the spooler; the default printer does.
    TargetPrinterList named(target.kind == Target::Kind::Port ? std::string()
                                                              : PrinterNameOf(target));
    platform::IPrinterList& printers = target.kind == Target::Kind::Printer && target.name.empty()
                                           ? *backends.printers
                                           : static_cast<platform::IPrinterList&>(named);
    op::Services services{
        printers, transport, counter, *backends.locale,     *backends.clock,
        *boxes,   dialog,    pacer,   platform::Utf8ToAnsi, plan.dryRun ? 0 : plan.jobTimeoutMs};
    // A dry run leaves nothing in the record.
    services.record = plan.dryRun ? nullptr : backends.record.get();
    services.station = backends.station;
    services.version = BPCONF_VERSION;
    services.captureFolder =
        target.kind == Target::Kind::Capture ? target.name : CaptureDirFromEnvironment();

    CliForm form;
    op::ApplyDesign(form);
    op::OperatorWindow window(form, services);
    if (!window.Guarded([&] { window.FormCreate(); })) {
        r.status = kExitEndedEarly;
        r.result = "ended early";
        return r;
    }
    if (!plan.language.empty())
        window.SetInterfaceLanguage(plan.language);
    if (target.kind == Target::Kind::Port) {
        form.SetChecked(op::ctl::rdbDriver, false);
        form.SetChecked(op::ctl::rdbLpt, true);
        form.SetItems(op::ctl::cmbLpt, {target.name});
        form.SetItemIndex(op::ctl::cmbLpt, 0);
    } else if (const std::string name = PrinterNameOf(target); !name.empty()) {
        std::vector<std::string> items = form.Items(op::ctl::cmbDriver);
        if (std::find(items.begin(), items.end(), name) == items.end())
            items.push_back(name);
        form.SetItems(op::ctl::cmbDriver, items);
        form.SetText(op::ctl::cmbDriver, name);
    }
    if (r.label.empty())
        r.label = form.Text(op::ctl::cmbDriver);
    op::ApplySettings(form, window, plan.settings);
    if (plan.hasPackage)
        window.Package().Set(plan.package, plan.packagePath);
    if (!plan.confirmedReuse.empty())
        window.Serial().ConfirmReuse(plan.confirmedReuse);

    form.prefix = prefix;
    form.printStatus = plan.printStatus;
    running = &window;
    const op::RunEnd end = window.Button3Click();
    running = nullptr;
    window.FormClose();
    if (dryRunMessages != nullptr)
        *dryRunMessages = recordingSpooler.kept;

    r.serial = window.Run().StampedSerial();
    r.recordFailed = window.Run().RecordFailed();
    if (end == op::RunEnd::Delivery) {
        r.status = kExitDeliveryFailed;
        r.result = "delivery failed";
        // One line per message that did not reach the printer.
        for (const auto& sent : window.Run().SentMessages()) {
            if (!sent.arrived) {
                PrintLine(std::cout,
                          prefix + "not delivered: " + sent.description + " (" +
                              ErrorLine(sent.state.error) +
                              (sent.state.reason.empty() ? "" : "; " + sent.state.reason) + ")");
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

// The year and month of the stamp: serial.month when given, else this month.
std::string MonthStamp(const std::vector<op::Setting>& settings) {
    std::string month;
    for (const auto& [key, value] : settings) {
        if (key == "serial.month")
            month = value;
    }
    return !month.empty() ? month : op::YearMonthStamp(platform::CreateSystemClock()->Now());
}

// Sets the counter of the next stamp in the store, before any target runs: every target then
// follows the store, so the number is taken by exactly one of them. A number the record shows on
// a unit already is refused unless --reuse-serial allows it; plan.confirmedReuse names it then.
int StoreExplicitCounter(const std::string& counter, const std::string& language,
                         platform::CounterAndRecord& store, bool reuse, RunPlan& plan) {
    auto boxes = platform::CreateConsoleMessageBoxes();
    const auto number = op::ParseCounter(counter);
    const std::string serial = MonthStamp(plan.settings) + op::FormatCounter(number.value_or(0));
    bool used = false;
    if (const platform::RecordResult r = store.record->SerialUsed(serial, used); !r) {
        boxes->Error(op::RecordUnreadableText(language, store.record->Location(), r.reason));
        return kExitEndedEarly;
    }
    if (used && !reuse) {
        std::cerr << "bpconf-cli: the record shows the serial number " << serial
                  << " on a unit already (" << store.record->Location()
                  << "); --reuse-serial stamps it again\n";
        return kExitEndedEarly;
    }
    if (used)
        plan.confirmedReuse = serial;
    const platform::CounterChange change = store.counter->Write(counter);
    if (change.ok())
        return kExitOk;
    boxes->Error(op::CounterNotSavedText(language, counter, change, store.counter->Location()));
    return kExitEndedEarly;
}

}  // namespace

int Run(const Options& o, bool dryRun) {
    if (!o.files.empty())
        return Usage("unexpected argument " + o.files[0]);
    if (dryRun && o.targets.size() > 1)
        return Usage("frames takes one target");

    // Every value is checked, and the profile and package read, before the counter store is
    // touched or anything is sent.
    RunPlan plan;
    plan.dryRun = dryRun;
    plan.noPacing = o.noPacing;
    plan.printStatus = !dryRun;
    plan.language = o.language;
    plan.jobTimeoutMs = o.jobTimeoutMs;
    try {
        op::LineProfile lineProfile;
        if (!o.profile.empty()) {
            std::string text, reason;
            if (!ReadInputFile(o.profile, kMaxProfileBytes, text, reason))
                return Usage("cannot read profile " + o.profile + ": " + reason);
            plan.settings = op::ParseProfile(text, &lineProfile);
        }
        plan.line = LineSettingsWith(lineProfile);
        for (const auto& s : o.sets)
            plan.settings.push_back(op::ParseAssignment(s));
        op::CheckSettings(plan.settings);
    } catch (const op::UsageError& e) {
        return Usage(e.what());
    }
    if (!o.package.empty()) {
        THfByteList list;
        try {
            list.LoadFromFile(o.package, kMaxPackageBytes);
        } catch (const Exception& e) {
            return Usage(e.Message());
        }
        plan.package = list.Bytes();
        plan.hasPackage = true;
        plan.packagePath = o.package;
    }

    if (!dryRun) {
        // The last serial.counter wins, as every later setting does.
        std::optional<std::string> counter;
        for (const auto& [key, value] : plan.settings) {
            if (key == op::kSerialCounterKey)
                counter = value;
        }
        plan.settings.erase(
            std::remove_if(plan.settings.begin(), plan.settings.end(),
                           [](const op::Setting& s) { return s.first == op::kSerialCounterKey; }),
            plan.settings.end());
        const std::string language =
            !o.language.empty()
                ? o.language
                : (op::GetSystemLanguage(*platform::CreateSystemLocale()) == "CHINESE" ? "chinese"
                                                                                       : "english");
        platform::CounterAndRecord store = platform::CreateCounterAndRecord(plan.line);
        if (store.lineDatabaseIgnored)
            platform::CreateConsoleMessageBoxes()->Warning(op::LineDatabaseIgnoredText(language));
        if (counter) {
            if (const int status =
                    StoreExplicitCounter(*counter, language, store, o.reuseSerial, plan);
                status != kExitOk)
                return status;
        }
    }

    std::vector<Target> targets = o.targets;
    if (targets.empty())
        targets.push_back(Target());
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    const bool several = targets.size() > 1;
    std::vector<TargetResult> results(targets.size());
    std::vector<platform::KeptMessage> dryRunMessages;
    if (!several) {
        results[0] = RunTarget(plan, targets[0], "", dryRun ? &dryRunMessages : nullptr);
    } else {
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            threads.emplace_back([&, i] {
                results[i] = RunTarget(plan, targets[i], "[" + targets[i].name + "] ", nullptr);
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
