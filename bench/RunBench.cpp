// The tool's own overhead: a default update run with the pauses set to zero, from the press to
// the last job at the printer emulator; and loading plus dumping update packages into the
// window's log pane. Needs a scheduler (scripts/bench starts one) and runs offscreen.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TcpJobServer.h"
#include "operator/OperatorWindow.h"
#include "platform/Backends.h"
#include "transport/untFunction.h"
#include "ui/Unit1.h"

namespace {

using Clock = std::chrono::steady_clock;

class NoPacing : public bpconf::op::IPacer {
  public:
    void Pump() override { QCoreApplication::processEvents(); }
    void Pause(int) override {}
};

class OneFile : public bpconf::platform::IFileDialog {
  public:
    std::string path;
    std::optional<std::string> OpenFile(const std::string&, const std::string&) override {
        return path;
    }
};

class SilentBoxes : public bpconf::platform::IMessageBoxes {
  public:
    void Warning(const std::string&) override {}
    void Error(const std::string&) override {}
    void Plain(const std::string&) override {}
    void Uncaught(const std::string& t) override { std::fprintf(stderr, "error: %s\n", t.c_str()); }
};

double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (std::getenv("CUPS_SERVER") == nullptr) {
        std::fprintf(stderr, "bpconf_bench_run: CUPS_SERVER is not set (run scripts/bench)\n");
        return 2;
    }
    const auto dir = std::filesystem::temp_directory_path() / "bpconf-bench-run";
    std::filesystem::create_directories(dir);
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);

    bpconf::test::TcpJobServer printer;
    printer.Start(0);
    const std::string add =
        "lpadmin -p BenchRun -v socket://127.0.0.1:" + std::to_string(printer.Port()) +
        " -E && lpadmin -d BenchRun";
    if (std::system(add.c_str()) != 0)
        return 1;

    auto backends = bpconf::platform::CreateSystemBackends("");
    SilentBoxes boxes;
    OneFile dialog;
    NoPacing pacer;
    bpconf::TTransport transport(*backends.spooler, *backends.ports, boxes);
    bpconf::op::Services services{*backends.printers,
                                  transport,
                                  *backends.counter,
                                  *backends.locale,
                                  *backends.clock,
                                  boxes,
                                  dialog,
                                  pacer,
                                  [](const std::string& s) { return s; }};
    bpconf::ui::TForm1 form(services);

    std::printf("default run, pauses at zero, press to last job at the printer:\n");
    for (int round = 0; round < 3; ++round) {
        const std::size_t before = printer.Jobs().size();
        const auto t0 = Clock::now();
        form.Logic().Button3Click();
        printer.WaitForJobs(before + 10, 60000);
        std::printf("  run %d: %7.1f ms\n", round + 1, Ms(t0));
    }

    std::printf("load + dump into the log pane:\n");
    for (std::size_t size : {std::size_t{4} << 10, std::size_t{1} << 20, std::size_t{16} << 20}) {
        dialog.path = (dir / "package.bin").string();
        {
            std::ofstream out(dialog.path, std::ios::binary);
            std::string chunk(size, '\0');
            for (std::size_t i = 0; i < size; ++i)
                chunk[i] = static_cast<char>(i * 7);
            out << chunk;
        }
        const auto t0 = Clock::now();
        form.Logic().Button1Click();
        QCoreApplication::processEvents();
        std::printf("  %8zu bytes: %7.1f ms\n", size, Ms(t0));
    }
    std::system("lpadmin -x BenchRun");
    std::filesystem::remove_all(dir);
    return 0;
}
