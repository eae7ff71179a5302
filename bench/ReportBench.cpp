// The supervisor's page over a month of a 10-station line: the time to read the record and the
// ledger and draw the page, and the page's size, for 1,000, 10,000 and 100,000 synthetic units in
// the station's SQLite record and (when BPCONF_BENCH_DATABASE_URL names a server; scripts/bench
// starts a private one) on the line's PostgreSQL database. Target: 100,000 units under 2 s.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "operator/Report.h"
#include "platform/Backends.h"
#include "platform/SqliteUnitRecord.h"
#include "platform/StationSerialBook.h"
#include "platform/postgres/PgLine.h"
#include "platform/postgres/PgSerialBook.h"
#include "platform/postgres/PgUnitRecord.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace bpconf;

// Unit i of the month: ten stations in turn, one every 26 s, one in 50 ends early.
platform::UnitEntry Synthetic(int i) {
    platform::UnitEntry e;
    const int second = i * 26;
    char t[40];
    std::snprintf(t, sizeof t, "2026-12-%02dT%02d:%02d:%02d.000Z", 1 + second / 86400 % 28,
                  second / 3600 % 24, second / 60 % 60, second % 60);
    e.runId = "run-" + std::to_string(i);
    e.started = e.ended = t;
    e.station = "S" + std::to_string(i % 10 + 1);
    e.language = "chinese";
    e.target = "printer P" + std::to_string(i % 20);
    e.outcome = i % 50 == 7 ? "ended early" : "finished";
    if (e.outcome == "finished") {
        char serial[16];
        std::snprintf(serial, sizeof serial, "202612%04d", i + 1);
        e.serial = serial;
    }
    for (const char* m : {"OPEN", "SLAN 0", "STDP 28", "BDIT 300", "LFCH 0A", "EDCD 1", "BLSP 1",
                          "SBCV 2800", "BTLK 1", "CHTY 82"})
        e.messages.push_back({m, "done", 0, ""});
    if (!e.serial.empty())
        e.messages.push_back({"STSN \"" + e.serial + "\"", "done", 0, ""});
    return e;
}

void Measure(const char* where, int n, platform::IUnitRecord& record, platform::ISerialBook& book) {
    const auto start = Clock::now();
    op::ReportInput in;
    in.language = "chinese";
    if (!record.Read({}, in.entries) || !book.Rows("202612", in.ledger) ||
        !book.Settings(in.settings)) {
        std::printf("%s %d: cannot read\n", where, n);
        return;
    }
    const double read = std::chrono::duration<double>(Clock::now() - start).count();
    const std::string page = op::RenderReport(in);
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%-10s %7d units: %.3f s (read %.3f s), page %zu KiB\n", where, n, s, read,
                page.size() / 1024);
}

}  // namespace

int main() {
    const fs::path dir =
        fs::temp_directory_path() / ("bpconf-report-bench-" + std::to_string(std::rand()));
    for (int n : {1000, 10000, 100000}) {
        fs::remove_all(dir);
        auto db = std::make_shared<platform::SqliteDatabase>((dir / "units.sqlite").string());
        db->Begin(true, "bench");
        for (int i = 0; i < n; ++i)
            platform::InsertEntry(*db, Synthetic(i));
        db->Commit("bench");
        platform::SqliteUnitRecord record(db);
        platform::StationSerialBook book(
            platform::CreateFileCounterStore((dir / "PrinterTest.reg").string()), db);
        Measure("SQLite", n, record, book);
    }
    fs::remove_all(dir);
    const char* url = std::getenv("BPCONF_BENCH_DATABASE_URL");
    if (url == nullptr || *url == '\0') {
        std::printf("PostgreSQL: skipped (BPCONF_BENCH_DATABASE_URL unset)\n");
        return 0;
    }
    for (int n : {1000, 10000, 100000}) {
        const std::string name = "bpconf_report_bench";
        std::system(("psql -q '" + std::string(url) + "' -c 'DROP DATABASE IF EXISTS " + name +
                     " WITH (FORCE)' -c 'CREATE DATABASE " + name + "' >/dev/null 2>&1")
                        .c_str());
        const std::string line = std::string(url) + " dbname=" + name;
        platform::InitLineDatabase(line);
        auto c = platform::ConnectLineDatabase(line);
        platform::PgUnitRecord record(c);
        // In one transaction, by the database itself: a round trip per row would measure the
        // network, not the page.
        const std::string fill =
            "psql -q '" + line +
            "' -c \"INSERT INTO units SELECT 'run-' || i, "
            "to_char(timestamp '2026-12-01' + i * interval '26 s', "
            "'YYYY-MM-DD\\\"T\\\"HH24:MI:SS.000\\\"Z\\\"'), "
            "to_char(timestamp '2026-12-01' + i * interval '26 s', "
            "'YYYY-MM-DD\\\"T\\\"HH24:MI:SS.000\\\"Z\\\"'), 'S' || (i % 10 + 1), 'chinese', "
            "'printer P' || (i % 20), CASE WHEN i % 50 = 7 THEN '' ELSE '202612' || "
            "lpad((i + 1)::text, 4, '0') END, 0, '', 0, '', CASE WHEN i % 50 = 7 THEN 'ended "
            "early' ELSE 'finished' END, '', '1.0' FROM generate_series(0, " +
            std::to_string(n - 1) +
            ") i\" -c \"INSERT INTO unit_messages SELECT run_id, s, m, 'done', 0, '' FROM units, "
            "unnest(ARRAY['OPEN','SLAN 0','STDP 28','BDIT 300','LFCH 0A','EDCD 1','BLSP 1',"
            "'SBCV 2800','BTLK 1','CHTY 82']) WITH ORDINALITY AS t(m, s)\" >/dev/null";
        std::system(fill.c_str());
        platform::PgSerialBook book(c);
        Measure("PostgreSQL", n, record, book);
    }
    return 0;
}
