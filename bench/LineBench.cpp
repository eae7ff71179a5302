// Serial-number taking and the record's cost: the time per number taken by the serial-number
// policy (reserved in the ledger, the counter moved; median and 99th percentile) with 1 and with
// 8 stations contending, on the line's PostgreSQL database (when BPCONF_BENCH_DATABASE_URL names
// a server; scripts/bench starts a private one) and on the station's counter file with its
// SQLite ledger; and the time to write one run's entry (ten messages) to each record.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Backends.h"
#include "platform/SqliteUnitRecord.h"
#include "platform/StationSerialBook.h"
#include "platform/postgres/PgLine.h"
#include "platform/postgres/PgSerialBook.h"
#include "platform/postgres/PgUnitRecord.h"
#include "serials/SerialPolicy.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using bpconf::platform::ISerialBook;
using bpconf::platform::IUnitRecord;

double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("  %-52s median %7.3f ms  p99 %7.3f ms  (%zu)\n", what, ms[ms.size() / 2],
                ms[ms.size() * 99 / 100], ms.size());
}

// Each station takes `count` numbers, all stations at once; the time of every take.
std::vector<double> Take(const std::function<std::unique_ptr<ISerialBook>()>& open, int stations,
                         int count) {
    std::vector<std::vector<double>> times(stations);
    std::vector<std::thread> threads;
    for (int s = 0; s < stations; ++s) {
        threads.emplace_back([&, s] {
            auto book = open();
            bpconf::serials::SerialPolicy policy(*book);
            bpconf::serials::TakeRequest request;
            request.stamp = "202612";
            request.station = "bench" + std::to_string(s);
            bpconf::serials::TakenSerial taken;
            for (int i = 0; i < count; ++i) {
                request.runId = request.station + "-" + std::to_string(i);
                const auto t0 = Clock::now();
                const auto problem = policy.Take(request, taken);
                times[s].push_back(Ms(t0));
                if (!problem) {
                    std::fprintf(stderr, "take failed: %d %s\n", static_cast<int>(problem.kind),
                                 problem.reason.c_str());
                    return;
                }
            }
        });
    }
    for (auto& t : threads)
        t.join();
    std::vector<double> all;
    for (const auto& t : times)
        all.insert(all.end(), t.begin(), t.end());
    return all;
}

std::vector<double> WriteEntries(IUnitRecord& record, int count) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        bpconf::platform::UnitEntry e;
        e.runId = "bench-" + std::to_string(i) + "-" + std::to_string(std::rand());
        e.started = e.ended = "2026-12-08T09:30:00.000Z";
        e.station = "bench";
        e.language = "chinese";
        e.target = "printer Line1";
        e.serial = "20261200" + std::to_string(i);
        for (const char* m : {"OPEN", "STDP 28", "BDIT 300", "LFCH 0A", "EDCD 1", "BLSP 1",
                              "CHTY 82", "STSN \"2026120001\"", "SBCV 2800", "BTLK 1"})
            e.messages.push_back({m, "done", 0, ""});
        e.outcome = "finished";
        e.version = "bench";
        const auto t0 = Clock::now();
        if (!record.Write(e)) {
            std::fprintf(stderr, "record write failed\n");
            break;
        }
        times.push_back(Ms(t0));
    }
    return times;
}

}  // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / "bpconf-bench-line";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string counterFile = (dir / "PrinterTest.reg").string();

    std::printf("taking a serial number, time per number:\n");
    auto file = [&] {
        return std::make_unique<bpconf::platform::StationSerialBook>(
            bpconf::platform::CreateFileCounterStore(counterFile),
            std::make_shared<bpconf::platform::SqliteDatabase>((dir / "ledger.sqlite").string()));
    };
    Report("counter file and SQLite ledger, 1 station", Take(file, 1, 2000));
    Report("counter file and SQLite ledger, 8 stations contending", Take(file, 8, 250));

    const char* server = std::getenv("BPCONF_BENCH_DATABASE_URL");
    std::string url;
    if (server != nullptr && *server != '\0') {
        std::system(("psql -q '" + std::string(server) +
                     "' -c 'DROP DATABASE IF EXISTS bpconf_bench WITH (FORCE)'"
                     " -c 'CREATE DATABASE bpconf_bench' >/dev/null 2>&1")
                        .c_str());
        url = std::string(server) + " dbname=bpconf_bench";
        if (!bpconf::platform::InitLineDatabase(url))
            url.clear();
    }
    if (url.empty()) {
        std::printf("  PostgreSQL: BPCONF_BENCH_DATABASE_URL not set, not measured\n");
    } else {
        auto pg = [&] {
            return std::make_unique<bpconf::platform::PgSerialBook>(
                bpconf::platform::ConnectLineDatabase(url));
        };
        Report("PostgreSQL (Unix socket), 1 station", Take(pg, 1, 2000));
        Report("PostgreSQL (Unix socket), 8 stations contending", Take(pg, 8, 250));
    }

    std::printf("the record, time to write one run's entry (10 messages):\n");
    bpconf::platform::SqliteUnitRecord sqlite(
        std::make_shared<bpconf::platform::SqliteDatabase>((dir / "units.sqlite").string()));
    Report("station's SQLite file (WAL)", WriteEntries(sqlite, 500));
    if (!url.empty()) {
        bpconf::platform::PgUnitRecord pg(bpconf::platform::ConnectLineDatabase(url));
        Report("line's PostgreSQL database", WriteEntries(pg, 500));
    }
    fs::remove_all(dir);
    return 0;
}
