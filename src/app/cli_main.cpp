// bpconf-cli: the headless tool for line engineers. It drives the very same update run as the
// window, through an in-memory window, with the window's defaults as its defaults.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "operator/Design.h"
#include "operator/FormModel.h"
#include "operator/OperatorWindow.h"
#include "operator/Profile.h"
#include "platform/AnsiText.h"
#include "platform/Backends.h"
#include "platform/Environment.h"
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

const char* const kUsage =
    "usage: bpconf-cli COMMAND [options]\n"
    "  printers                       the installed printers; the default one starts with \"* \"\n"
    "  run [options]                  the update run of the window, status lines on stdout\n"
    "  frames [options]               the messages the run would send, as hex; nothing is sent\n"
    "  send [--printer NAME | --port NAME] [--capture DIR] FILE\n"
    "                                 the package's bytes unchanged, as one job (test print)\n"
    "  decode [FILE...]               the messages held in captured bytes (stdin without FILE)\n"
    "options of run and frames:\n"
    "  --printer NAME  --port NAME  --capture DIR  --profile FILE  --set KEY=VALUE\n"
    "  --package FILE  --language chinese|english  --no-pacing (emulators only)\n";

int Usage(const std::string& message) {
    if (!message.empty())
        std::cerr << "bpconf-cli: " << message << "\n";
    std::cerr << kUsage;
    return kExitUsage;
}

// The in-memory window; each status text goes to standard output with the progress position.
class CliForm : public op::FormModel {
  public:
    std::ostream* status = nullptr;
    void SetText(const std::string& control, const std::string& text) override {
        op::FormModel::SetText(control, text);
        if (status != nullptr && control == op::ctl::StatusPanel1) {
            *status << "[" << ProgressPosition() << "/" << ProgressMaximum() << "] " << text
                    << std::endl;
        }
    }
};

class SleepPacer : public op::IPacer {
  public:
    void Pump() override {}
    void Pause(int ms) override { platform::SleepMilliseconds(ms); }
};

class NoPacer : public op::IPacer {
  public:
    void Pump() override {}
    void Pause(int) override {}
};

class NoDialog : public platform::IFileDialog {
  public:
    std::optional<std::string> OpenFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

// A dry run reads the stored counter but never changes it.
class ReadOnlyCounter : public platform::ICounterStore {
  public:
    explicit ReadOnlyCounter(platform::ICounterStore& store) : store_(store) {}
    platform::StoredValue Read() override { return store_.Read(); }
    bool Write(const std::string&) override { return true; }

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

bool ReadFile(const std::string& path, std::string& out) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

struct Options {
    std::string printer, port, capture, profile, package, language;
    std::vector<std::string> sets;
    std::vector<std::string> files;
    bool noPacing = false;
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
            std::string& into = a == "--printer" ? o.printer : a == "--port" ? o.port : o.capture;
            if (!value(into))
                return false;
        } else if (runOptions && (a == "--profile" || a == "--package" || a == "--language")) {
            std::string& into = a == "--profile"   ? o.profile
                                : a == "--package" ? o.package
                                                   : o.language;
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
    if (!o.printer.empty() && !o.port.empty()) {
        error = "--printer and --port exclude each other";
        return false;
    }
    if (!o.language.empty() && o.language != "chinese" && o.language != "english") {
        error = "--language takes chinese or english, not '" + o.language + "'";
        return false;
    }
    return true;
}

int Printers() {
    auto printers = platform::CreateSystemPrinterList();
    const auto def = printers->DefaultPrinter();
    for (const auto& name : printers->InstalledPrinters()) {
        std::cout << (def && *def == name ? "* " : "  ") << name << "\n";
    }
    return kExitOk;
}

int Decode(const Options& o) {
    if (o.files.empty()) {
        std::string bytes((std::istreambuf_iterator<char>(std::cin)),
                          std::istreambuf_iterator<char>());
        std::cout << protocol::DescribeAll(protocol::Decode(bytes));
        return kExitOk;
    }
    for (const auto& file : o.files) {
        std::string bytes;
        if (!ReadFile(file, bytes))
            return Usage("cannot read " + file);
        std::cout << protocol::DescribeAll(protocol::Decode(bytes));
    }
    return kExitOk;
}

// The printer the options name: --printer, the capture printer with --capture, else the default.
void ChoosePrinter(op::FormModel& form, const Options& o) {
    std::string name = o.printer;
    if (name.empty() && !o.capture.empty())
        name = platform::kCapturePrinterName;
    if (name.empty())
        return;
    std::vector<std::string> items = form.Items(op::ctl::cmbDriver);
    if (std::find(items.begin(), items.end(), name) == items.end())
        items.push_back(name);
    form.SetItems(op::ctl::cmbDriver, items);
    form.SetText(op::ctl::cmbDriver, name);
}

int Send(const Options& o) {
    if (o.files.size() != 1)
        return Usage("send takes one FILE");
    auto backends = platform::CreateSystemBackends(o.capture);
    auto boxes = platform::CreateConsoleMessageBoxes();
    TTransport transport(*backends.spooler, *backends.ports, *boxes);
    THfByteList package;
    try {
        package.LoadFromFile(o.files[0], kMaxPackageBytes);
    } catch (const Exception& e) {
        std::cerr << platform::kApplicationTitle << ": " << e.Message() << ".\n";
        return kExitUsage;
    }
    bool delivered;
    if (!o.port.empty()) {
        delivered = transport.SendBytes(package, "", kKindLpt, o.port);
    } else {
        std::string printer = o.printer;
        if (printer.empty() && !o.capture.empty())
            printer = platform::kCapturePrinterName;
        if (printer.empty())
            printer = backends.printers->DefaultPrinter().value_or("");
        delivered = transport.SendBytes(package, printer, kKindDrive, "");
    }
    return delivered ? kExitOk : kExitDeliveryFailed;
}

int Run(const Options& o, bool dryRun) {
    if (!o.files.empty())
        return Usage("unexpected argument " + o.files[0]);
    std::vector<op::Setting> settings;
    try {
        if (!o.profile.empty()) {
            std::string text;
            if (!ReadFile(o.profile, text))
                return Usage("cannot read profile " + o.profile);
            settings = op::ParseProfile(text);
        }
        for (const auto& s : o.sets)
            settings.push_back(op::ParseAssignment(s));
    } catch (const op::UsageError& e) {
        return Usage(e.what());
    }

    auto backends = platform::CreateSystemBackends(o.capture);
    auto boxes = platform::CreateConsoleMessageBoxes();
    // A dry run keeps every message, in sending order, instead of sending it.
    platform::MemorySpooler recordingSpooler;
    platform::MemoryPorts recordingPorts(recordingSpooler.kept);
    ReadOnlyCounter readOnly(*backends.counter);
    SleepPacer sleeping;
    NoPacer none;
    NoDialog dialog;
    TTransport transport(
        dryRun ? static_cast<platform::ISpooler&>(recordingSpooler) : *backends.spooler,
        dryRun ? static_cast<platform::IPortDevices&>(recordingPorts) : *backends.ports, *boxes);
    op::IPacer& pacer = dryRun || o.noPacing ? static_cast<op::IPacer&>(none) : sleeping;
    platform::ICounterStore& counter = dryRun ? readOnly : *backends.counter;
    op::Services services{*backends.printers,  transport, counter, *backends.locale,
                          *backends.clock,     *boxes,    dialog,  pacer,
                          platform::Utf8ToAnsi};

    CliForm form;
    op::ApplyDesign(form);
    op::OperatorWindow window(form, services);
    if (!window.Guarded([&] { window.FormCreate(); }))
        return kExitEndedEarly;
    if (!o.language.empty())
        window.SetInterfaceLanguage(o.language);
    ChoosePrinter(form, o);
    if (!o.port.empty()) {
        form.SetChecked(op::ctl::rdbDriver, false);
        form.SetChecked(op::ctl::rdbLpt, true);
        form.SetItems(op::ctl::cmbLpt, {o.port});
        form.SetItemIndex(op::ctl::cmbLpt, 0);
    }
    try {
        op::ApplySettings(form, window, settings);
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
        window.PackageList().clear();
        window.PackageList().push_back(std::move(list));
    }

    if (!dryRun)
        form.status = &std::cout;
    const op::RunEnd end = window.Button3Click();
    window.FormClose();
    if (dryRun) {
        for (const auto& message : recordingSpooler.kept)
            std::cout << HexLine(message.bytes) << "\n";
    }
    if (end == op::RunEnd::Conversion || end == op::RunEnd::Oversized)
        return kExitEndedEarly;
    return transport.FailedDeliveries() > 0 ? kExitDeliveryFailed : kExitOk;
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
