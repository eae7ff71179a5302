// The tool's own overhead: a default update run with the pauses set to zero, from the press to
// the last job at the printer emulator, with every job followed to the printer and without; the
// time from the last job's bytes at the emulator to the run's end; and loading plus dumping
// update packages into the window's log pane. Needs a scheduler (scripts/bench starts one) and
// runs offscreen.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "TcpJobServer.h"
#include "operator/OperatorWindow.h"
#include "operator/RunTimeouts.h"
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
    bool Ask(const std::string&) override { return false; }
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

    Clock::time_point lastBytes;
    bpconf::test::TcpJobServer printer([&](const std::string&) { lastBytes = Clock::now(); });
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
                                  *backends.serials,
                                  *backends.locale,
                                  *backends.clock,
                                  boxes,
                                  dialog,
                                  pacer,
                                  [](const std::string& s) { return s; }};
    std::printf("default run, pauses at zero (5 runs each; median):\n");
    double medians[2] = {0, 0};
    for (int following = 1; following >= 0; --following) {
        services.jobTimeoutMs = following ? bpconf::op::kDefaultJobTimeoutMs : 0;
        bpconf::ui::TForm1 run(services);
        std::vector<double> total, afterLast;
        for (int round = 0; round < 5; ++round) {
            const std::size_t before = printer.Jobs().size();
            const auto t0 = Clock::now();
            run.Logic().Button3Click();
            const auto ended = Clock::now();
            printer.WaitForJobs(before + 10, 60000);
            total.push_back(Ms(t0));
            afterLast.push_back(
                std::chrono::duration<double, std::milli>(ended - lastBytes).count());
        }
        std::sort(total.begin(), total.end());
        std::sort(afterLast.begin(), afterLast.end());
        medians[following] = total[2];
        std::printf(
            "  jobs %s: press to last job at the printer %7.1f ms; run's end %+6.1f ms "
            "after the last job's bytes\n",
            following ? "followed    " : "not followed", total[2], afterLast[2]);
    }
    std::printf("  cost of following the jobs: ratio %.2f\n", medians[1] / medians[0]);

    // With the real pauses every job has reached the printer long before the next one is due.
    std::printf("default run with the real pauses (one run each):\n");
    bpconf::ui::QtPacer realPacing;
    double paced_ms[2] = {0, 0};
    for (int following = 1; following >= 0; --following) {
        bpconf::op::Services s2{
            services.printers,   services.transport,
            services.serials,    services.locale,
            services.clock,      services.boxes,
            services.fileDialog, realPacing,
            services.toAnsi,     following ? bpconf::op::kDefaultJobTimeoutMs : 0};
        bpconf::ui::TForm1 run(s2);
        const std::size_t before = printer.Jobs().size();
        const auto t0 = Clock::now();
        run.Logic().Button3Click();
        printer.WaitForJobs(before + 10, 60000);
        paced_ms[following] = Ms(t0);
        std::printf("  jobs %s: %8.1f ms\n", following ? "followed    " : "not followed",
                    paced_ms[following]);
    }
    std::printf("  cost of following the jobs: ratio %.3f\n", paced_ms[1] / paced_ms[0]);

    bpconf::ui::TForm1 form(services);

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
