// One printer against 4 and 8 printers in one parallel run of bpconf-cli, with the real pacing,
// through the private scheduler (scripts/bench starts one): the parallel run's wall time divided
// by the single run's. Then the serial-number counter's advance rate with 8 processes contending
// for its lock.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TcpJobServer.h"
#include "platform/RegFileCounterStore.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Worker mode: advances the counter `count` times.
int AdvanceCounter(const std::string& path, int count) {
    bpconf::platform::RegFileCounterStore store(path);
    for (int i = 0; i < count; ++i) {
        const auto change = store.Change([](const bpconf::platform::StoredValue& v) {
            return std::optional<std::string>(std::to_string(std::stoi(v.text) + 1));
        });
        if (!change.ok()) {
            std::fprintf(stderr, "counter: %s\n", change.reason.c_str());
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--advance")
        return AdvanceCounter(argv[2], std::atoi(argv[3]));
    if (std::getenv("CUPS_SERVER") == nullptr) {
        std::fprintf(stderr, "bpconf_bench_parallel: CUPS_SERVER is not set (run scripts/bench)\n");
        return 2;
    }
    const auto dir = std::filesystem::temp_directory_path() / "bpconf-bench-parallel";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string config = (dir / "config").string();

    std::vector<std::unique_ptr<bpconf::test::TcpJobServer>> printers;
    for (int i = 1; i <= 8; ++i) {
        printers.push_back(std::make_unique<bpconf::test::TcpJobServer>());
        printers.back()->Start(0);
        const std::string add =
            "lpadmin -p ParLine" + std::to_string(i) +
            " -v socket://127.0.0.1:" + std::to_string(printers.back()->Port()) + " -E";
        if (std::system(add.c_str()) != 0)
            return 1;
    }

    std::printf("default run with the real pacing (wall time of bpconf-cli run):\n");
    double single = 0;
    for (int n : {1, 4, 8}) {
        std::string command =
            "XDG_CONFIG_HOME='" + config + "' XDG_DATA_HOME='" + config + "' '" BPCONF_CLI "' run";
        for (int i = 1; i <= n; ++i)
            command += " --printer ParLine" + std::to_string(i);
        command += " >/dev/null 2>&1";
        const auto t0 = Clock::now();
        const int rc = std::system(command.c_str());
        const double wall = Seconds(t0);
        if (n == 1)
            single = wall;
        std::printf("  %d printer%s: %6.2f s (ratio %.3f)%s\n", n, n == 1 ? " " : "s", wall,
                    wall / single, rc == 0 ? "" : "  [run failed]");
    }

    const std::string counter = (dir / "counter.reg").string();
    bpconf::platform::RegFileCounterStore(counter).Write("1");
    const int perProcess = 250;
    std::string workers;
    for (int p = 0; p < 8; ++p) {
        workers += "'" + std::string(argv[0]) + "' --advance '" + counter + "' " +
                   std::to_string(perProcess) + " & ";
    }
    const auto t0 = Clock::now();
    std::system(("bash -c \"" + workers + "wait\"").c_str());
    const double took = Seconds(t0);
    const auto stored = bpconf::platform::RegFileCounterStore(counter).Read().text;
    std::printf("counter: 8 processes x %d advances in %.2f s: %.0f advances/s (store %s, %s)\n",
                perProcess, took, 8 * perProcess / took, stored.c_str(),
                stored == std::to_string(1 + 8 * perProcess) ? "none lost" : "LOST ADVANCES");

    for (int i = 1; i <= 8; ++i)
        std::system(("lpadmin -x ParLine" + std::to_string(i)).c_str());
    std::filesystem::remove_all(dir);
    return 0;
}
