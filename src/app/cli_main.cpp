// bpconf-cli: the headless tool for line engineers. It drives the very same update run as the
// window, through an in-memory window, with the window's defaults as its defaults. One run may
// configure several printers at once, each with its own pacing and its own serial number.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "operator/Design.h"
#include "operator/FormModel.h"
#include "operator/OperatorTexts.h"
#include "operator/OperatorWindow.h"
#include "operator/Profile.h"
#include "operator/RunTimeouts.h"
#include "operator/SystemLanguage.h"
#include "platform/AnsiText.h"
#include "platform/Backends.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/MemoryPrinter.h"
#include "protocol/Decoder.h"
#include "transport/Errors.h"
#include "transport/untFunction.h"

namespace {

using namespace bpconf;

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitEndedEarly = 1;
constexpr int kExitUsage = 2;
constexpr int kExitDeliveryFailed = 3;
constexpr std::uint64_t kMaxPackageBytes = 16u << 20;
constexpr std::uint64_t kMaxProfileBytes = 1u << 20;

const char* const kUsage =
    "usage: bpconf-cli COMMAND [options]\n"
    "  printers                       the installed printers; the default one starts with \"* \"\n"
    "  run [options]                  the update run of the window, status lines on stdout\n"
    "  frames [options]               the messages the run would send, as hex; nothing is sent\n"
    "  send [--printer NAME | --port NAME | --capture DIR] FILE\n"
    "                                 the package's bytes unchanged, as one job (test print)\n"
    "  decode [FILE...]               the messages held in captured bytes (stdin without FILE)\n"
    "options of run and frames:\n"
    "  --printer NAME  --port NAME  --capture DIR   the target; run takes several of them\n"
    "  --profile FILE  --set KEY=VALUE  --package FILE  --language chinese|english\n"
    "  --job-timeout SECONDS (how long a job may take to reach the printer; 0: not followed)\n"
    "  --no-pacing (emulators only)\n";

// Lines of several targets' threads never mix.
std::mutex gOutput;

void PrintLine(std::ostream& out, const std::string& line) {
    std::lock_guard<std::mutex> lock(gOutput);
    out << line << std::endl;
}

int Usage(const std::string& message) {
    if (!message.empty())
        std::cerr << "bpconf-cli: " << message << "\n";
    std::cerr << kUsage;
    return kExitUsage;
}

// Where a run sends: an installed printer (empty: the default one), a port, or the capture
// printer writing into a folder.
struct Target {
    enum class Kind { Printer, Port, Capture };
    Kind kind = Kind::Printer;
    std::string name;
};

// The in-memory window; each status text goes to standard output with the progress position.
class CliForm : public op::FormModel {
  public:
    bool printStatus = false;
    std::string prefix;
    void SetText(const std::string& control, const std::string& text) override {
        op::FormModel::SetText(control, text);
        if (printStatus && control == op::ctl::StatusPanel1) {
            PrintLine(std::cout, prefix + "[" + std::to_string(ProgressPosition()) + "/" +
                                     std::to_string(ProgressMaximum()) + "] " + text);
        }
    }
};

class SleepPacer : public op::IPacer {
  public:
    void Pump() override {}
    void Pause(int ms) override { platform::SleepMilliseconds(ms); }
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

std::string HexLine(const std::string& bytes) {
    static const char* kDigits = "0123456789ABCDEF";
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (i > 0)
            line += ' ';
        line += kDigits[b >> 4];
        line += kDigits[b & 0x0F];
    }
    return line;
}

// A whole regular file (never a FIFO or a device, which could block or never end).
bool ReadInputFile(const std::string& path, std::uint64_t maxSize, std::string& out,
                   std::string& reason) {
    platform::FileReadResult read = platform::ReadWholeFile(path, maxSize);
    if (!read.ok) {
        reason = read.reason;
        return false;
    }
    out.assign(read.bytes.begin(), read.bytes.end());
    return true;
}

struct Options {
    std::vector<Target> targets;
    std::string profile, package, language, jobTimeout;
    std::vector<std::string> sets;
    std::vector<std::string> files;
    bool noPacing = false;
    int jobTimeoutMs = op::kDefaultJobTimeoutMs;
};

// Parses the options after the command; false with a message on a usage error.
bool ParseOptions(const std::vector<std::string>& argv, bool runOptions, Options& o,
                  std::string& error) {
    const int argc = static_cast<int>(argv.size());
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (a == "--printer" || a == "--port" || a == "--capture") {
            Target t;
            t.kind = a == "--printer" ? Target::Kind::Printer
                     : a == "--port"  ? Target::Kind::Port
                                      : Target::Kind::Capture;
            if (!value(t.name))
                return false;
            if (t.name.empty()) {
                error = a + " needs a name, not an empty text";
                return false;
            }
            o.targets.push_back(t);
        } else if (a == "--job-timeout" ||
                   (runOptions && (a == "--profile" || a == "--package" || a == "--language"))) {
            std::string& into = a == "--profile"    ? o.profile
                                : a == "--package"  ? o.package
                                : a == "--language" ? o.language
                                                    : o.jobTimeout;
            if (!value(into))
                return false;
        } else if (runOptions && a == "--set") {
            std::string s;
            if (!value(s))
                return false;
            o.sets.push_back(s);
        } else if (runOptions && a == "--no-pacing") {
            o.noPacing = true;
        } else if (a.rfind("--", 0) == 0) {
            error = "unknown option " + a;
            return false;
        } else {
            o.files.push_back(a);
        }
    }
    if (!o.language.empty() && o.language != "chinese" && o.language != "english") {
        error = "--language takes chinese or english, not '" + o.language + "'";
        return false;
    }
    // The option, else the window's environment setting, else the default.
    std::string timeout = o.jobTimeout;
    if (timeout.empty()) {
        const char* env = std::getenv("BPCONF_JOB_TIMEOUT");
        timeout = env != nullptr ? env : "";
    }
    if (!timeout.empty() && !op::ParseJobTimeout(timeout, o.jobTimeoutMs)) {
        error = "--job-timeout (or BPCONF_JOB_TIMEOUT) takes seconds from 0 to 86400, not '" +
                timeout + "'";
        return false;
    }
    return true;
}

std::string CaptureDirFromEnvironment() {
    const char* dir = std::getenv("BPCONF_CAPTURE_DIR");
    return dir != nullptr ? dir : "";
}

// "error N: text" for the command line.
std::string ErrorLine(std::uint32_t error) {
    const std::string text = platform::winerror::ErrorText(error);
    return "error " + std::to_string(error) + (text.empty() ? "" : ": " + text);
}

int Printers() {
    const platform::PrinterListing listing =
        platform::CreateSystemBackends(CaptureDirFromEnvironment()).printers->List();
    for (const auto& name : listing.names) {
        std::cout << (listing.defaultName == name ? "* " : "  ") << name << "\n";
    }
    if (listing.error != 0) {
        std::cerr << "bpconf-cli: the printer list is incomplete: " << ErrorLine(listing.error)
                  << "\n";
        return kExitDeliveryFailed;
    }
    return kExitOk;
}

// Waits, at most the timeout, until a job reached the printer; false (and the job cancelled)
// when it did not.
bool AwaitArrival(TTransport& transport, const Delivery& delivery, int timeoutMs,
                  std::uint32_t& error) {
    if (!delivery.handedOver)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const platform::JobState state = transport.Follow(delivery);
        if (state.Arrived() || timeoutMs == 0)
            return true;
        if (state.Lost() || std::chrono::steady_clock::now() >= deadline) {
            transport.Cancel(delivery);
            error = state.Lost() ? state.error : platform::winerror::kTimeout;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

int Decode(const Options& o) {
    if (o.files.empty()) {
        std::string bytes((std::istreambuf_iterator<char>(std::cin)),
                          std::istreambuf_iterator<char>());
        std::cout << protocol::DescribeAll(protocol::Decode(bytes));
        return kExitOk;
    }
    for (const auto& file : o.files) {
        std::string bytes, reason;
        if (!ReadInputFile(file, THfByteList::kNoSizeLimit, bytes, reason))
            return Usage("cannot read " + file + ": " + reason);
        std::cout << protocol::DescribeAll(protocol::Decode(bytes));
    }
    return kExitOk;
}

// The platform's services for one target: the capture printer writes into the target's folder,
// or into BPCONF_CAPTURE_DIR for "--printer bpconf-capture".
platform::SystemBackends BackendsFor(const Target& target) {
    return platform::CreateSystemBackends(
        target.kind == Target::Kind::Capture ? target.name : CaptureDirFromEnvironment());
}

std::string PrinterNameOf(const Target& target) {
    return target.kind == Target::Kind::Capture ? platform::kCapturePrinterName : target.name;
}

int Send(const Options& o) {
    if (o.files.size() != 1)
        return Usage("send takes one FILE");
    if (o.targets.size() > 1)
        return Usage("send takes one target");
    const Target target = o.targets.empty() ? Target() : o.targets[0];
    auto backends = BackendsFor(target);
    auto boxes = platform::CreateConsoleMessageBoxes();
    TTransport transport(*backends.spooler, *backends.ports, *boxes);
    THfByteList package;
    try {
        package.LoadFromFile(o.files[0], kMaxPackageBytes);
    } catch (const Exception& e) {
        std::cerr << platform::kApplicationTitle << ": " << e.Message() << ".\n";
        return kExitUsage;
    }
    Delivery delivery;
    if (target.kind == Target::Kind::Port) {
        delivery = transport.SendBytes(package, "", kKindLpt, target.name);
    } else {
        std::string printer = PrinterNameOf(target);
        if (printer.empty())
            printer = backends.printers->List().defaultName.value_or("");
        delivery = transport.SendBytes(package, printer, kKindDrive, "");
    }
    std::uint32_t error = 0;
    if (AwaitArrival(transport, delivery, o.jobTimeoutMs, error))
        return kExitOk;
    if (error != 0)
        boxes->Plain("error " + std::to_string(error));
    return kExitDeliveryFailed;
}

// What one target's run came to.
struct TargetResult {
    std::string label;
    int status = kExitOk;
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
};

// One target's update run: its own window, transport, pacing and counter store, so several run
// at the same time; the counter store's lock keeps their serial numbers apart.
TargetResult RunTarget(const RunPlan& plan, const Target& target, const std::string& prefix,
                       std::vector<platform::KeptMessage>* dryRunMessages) {
    TargetResult r;
    r.label = target.name;
    auto backends = BackendsFor(target);
    auto boxes = platform::CreateConsoleMessageBoxes(prefix);
    platform::MemorySpooler recordingSpooler;
    platform::MemoryPorts recordingPorts(recordingSpooler.kept);
    DryRunCounter dryCounter(*backends.counter);
    SleepPacer sleeping;
    op::NoPacing none;
    platform::NoFileDialog dialog;
    TTransport transport(
        plan.dryRun ? static_cast<platform::ISpooler&>(recordingSpooler) : *backends.spooler,
        plan.dryRun ? static_cast<platform::IPortDevices&>(recordingPorts) : *backends.ports,
        *boxes);
    op::IPacer& pacer = plan.dryRun || plan.noPacing ? static_cast<op::IPacer&>(none) : sleeping;
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
    if (plan.hasPackage) {
        window.PackageList().clear();
        window.PackageList().push_back(std::make_unique<THfByteList>(plan.package));
    }

    form.prefix = prefix;
    form.printStatus = plan.printStatus;
    const op::RunEnd end = window.Button3Click();
    window.FormClose();
    if (dryRunMessages != nullptr)
        *dryRunMessages = recordingSpooler.kept;

    r.serial = window.StampedSerial();
    if (end == op::RunEnd::Delivery) {
        r.status = kExitDeliveryFailed;
        r.result = "delivery failed";
        // One line per message that did not reach the printer.
        for (const auto& sent : window.SentMessages()) {
            if (!sent.arrived) {
                PrintLine(std::cout,
                          prefix + "not delivered: " + sent.description + " (" +
                              ErrorLine(sent.state.error) +
                              (sent.state.reason.empty() ? "" : "; " + sent.state.reason) + ")");
            }
        }
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

// The worse of two exit statuses: a delivery that failed outweighs an early end.
int Worse(int a, int b) {
    auto rank = [](int s) { return s == kExitDeliveryFailed ? 2 : s == kExitEndedEarly ? 1 : 0; };
    return rank(a) >= rank(b) ? a : b;
}

// Sets the counter of the next stamp in the store, before any target runs: every target then
// follows the store, so the number is taken by exactly one of them.
bool StoreExplicitCounter(const std::string& counter, const std::string& language) {
    auto store = platform::CreateSystemCounterStore();
    const platform::CounterChange change = store->Write(counter);
    if (change.ok())
        return true;
    platform::CreateConsoleMessageBoxes()->Error(
        op::CounterNotSavedText(language, counter, change, store->Location()));
    return false;
}

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
        if (!o.profile.empty()) {
            std::string text, reason;
            if (!ReadInputFile(o.profile, kMaxProfileBytes, text, reason))
                return Usage("cannot read profile " + o.profile + ": " + reason);
            plan.settings = op::ParseProfile(text);
        }
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
        if (counter && !StoreExplicitCounter(*counter, language))
            return kExitEndedEarly;
    }

    std::vector<Target> targets = o.targets;
    if (targets.empty())
        targets.push_back(Target());
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
        std::cout << HexLine(message.bytes) << "\n";

    int status = kExitOk;
    for (const auto& r : results) {
        status = Worse(status, r.status);
        if (several) {
            PrintLine(std::cout,
                      "[" + r.label + "] " + (r.serial.empty() ? "-" : r.serial) + " " + r.result);
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    platform::PrepareConsole();
    const std::vector<std::string> args = platform::CommandLineArguments(argc, argv);
    if (args.size() < 2)
        return Usage("");
    const std::string command = args[1];
    const bool runLike = command == "run" || command == "frames";
    Options options;
    std::string error;
    if (command != "printers" && command != "decode" && command != "send" && !runLike) {
        return Usage("unknown command " + command);
    }
    if (!ParseOptions(args, runLike, options, error))
        return Usage(error);
    if (command == "printers")
        return Printers();
    if (command == "decode")
        return Decode(options);
    if (command == "send")
        return Send(options);
    return Run(options, command == "frames");
}
