// Median time per raw job through the real scheduler to the printer emulator, from submit to
// the last byte received, for the transport and for the "lp -o raw" command line.
//
// Needs a scheduler: scripts/bench starts a private one.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "TcpJobServer.h"
#include "platform/Backends.h"
#include "transport/untFunction.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main() {
    if (std::getenv("CUPS_SERVER") == nullptr) {
        std::cerr << "bpconf_bench_transport: CUPS_SERVER is not set (run scripts/bench)\n";
        return 2;
    }
    bpconf::test::TcpJobServer printer;
    if (!printer.Start(0))
        return 1;
    const std::string queue = "BenchLine";
    const std::string uri = "socket://127.0.0.1:" + std::to_string(printer.Port());
    if (std::system(("lpadmin -p " + queue + " -v " + uri + " -E 2>/dev/null").c_str()) != 0) {
        std::cerr << "lpadmin failed\n";
        return 1;
    }
    auto spooler = bpconf::platform::CreateSystemSpooler();
    auto ports = bpconf::platform::CreateSystemPortDevices();
    auto boxes = bpconf::platform::CreateConsoleMessageBoxes();
    bpconf::TTransport transport(*spooler, *ports, *boxes);

    const std::string message("\x1B##STDP\x1C", 8);
    const int kJobs = 15;
    std::vector<double> ours, lp;
    for (int i = 0; i < kJobs; ++i) {
        const std::size_t before = printer.Jobs().size();
        const auto t0 = Clock::now();
        transport.SendString(message, queue, "drive", "");
        printer.WaitForJobs(before + 1, 30000);
        ours.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    const std::string file = "/tmp/bpconf-bench-job.bin";
    std::ofstream(file, std::ios::binary) << message;
    for (int i = 0; i < kJobs; ++i) {
        const std::size_t before = printer.Jobs().size();
        const auto t0 = Clock::now();
        std::system(("lp -d " + queue + " -o raw " + file + " >/dev/null").c_str());
        printer.WaitForJobs(before + 1, 30000);
        lp.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::remove(file.c_str());
    std::system(("lpadmin -x " + queue).c_str());
    std::printf("raw job, submit to bytes at the printer (median of %d):\n", kJobs);
    std::printf("  transport     %7.1f ms\n", Median(ours));
    std::printf("  lp -o raw     %7.1f ms\n", Median(lp));
    return 0;
}
