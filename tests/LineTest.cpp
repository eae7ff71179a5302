// The station's record through bpconf-cli as the line uses it: parallel runs, runs killed at any
// moment, the quality department's export, and the reuse guard of the command line.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "CliSupport.h"
#include "TestSupport.h"
#include "platform/RegFileCounterStore.h"

namespace bpconf {
namespace {

namespace fs = std::filesystem;
using test::Cli;
using Rows = std::vector<std::vector<std::string>>;

// RFC 4180: fields separated by commas, records by CRLF, a quoted field may hold commas, line
// breaks and doubled quotes.
Rows ParseCsv(const std::string& text) {
    Rows rows(1);
    std::string field;
    bool quoted = false, wasQuoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
            wasQuoted = false;
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.back().push_back(field);
            field.clear();
            wasQuoted = false;
            rows.emplace_back();
            ++i;
        } else if (c == '"' || c == '\r' || c == '\n' || wasQuoted) {
            ADD_FAILURE() << "not RFC 4180 at byte " << i << ": " << text.substr(i, 20);
            return {};
        } else {
            field += c;
        }
    }
    EXPECT_FALSE(quoted) << "unterminated quoted field";
    if (rows.back().empty() && field.empty())
        rows.pop_back();
    return rows;
}

// The column of the header row named so.
std::size_t Column(const Rows& rows, const std::string& name) {
    for (std::size_t i = 0; i < rows.at(0).size(); ++i) {
        if (rows[0][i] == name)
            return i;
    }
    ADD_FAILURE() << "no column " << name;
    return 0;
}

std::string Jq(const test::TempDir& home, const std::string& filter, const std::string& args = "") {
    return test::RunCommand("XDG_CONFIG_HOME='" + home.path().string() + "' XDG_DATA_HOME='" +
                            home.path().string() +
                            "' BPCONF_DATABASE_URL= '" BPCONF_CLI "' units --format json " + args +
                            " | jq -c '" + filter + "'");
}

constexpr const char* kRun = "run --no-pacing --set serial.month=202612 --capture ";

// A run that ends early (its package is too large for the self-test page): an entry with a
// reason and no serial number.
std::string EndsEarly(const test::TempDir& home) {
    std::ofstream(home / "big.bin", std::ios::binary) << std::string(4095, 'x');
    return " --set self_test.send=yes --package '" + (home / "big.bin") + "'";
}

TEST(StationRecord, EightParallelRunsLeaveEightWholeEntries) {
    test::TempDir home("line");
    std::vector<std::thread> runs;
    std::vector<int> status(8, -1);
    for (int i = 0; i < 8; ++i) {
        runs.emplace_back([&, i] {
            status[i] =
                Cli(std::string(kRun) + "'" + (home / ("jobs" + std::to_string(i))) + "'", home)
                    .status;
        });
    }
    for (auto& t : runs)
        t.join();
    EXPECT_EQ(status, std::vector<int>(8, 0));
    EXPECT_EQ(Jq(home, "length"), "8\n");
    EXPECT_EQ(Jq(home, "[.[] | .messages | length] | unique"), "[10]\n");
    EXPECT_EQ(Jq(home, "[.[] | .messages[].result] | unique"), "[\"done\"]\n");
    EXPECT_EQ(Jq(home, "[.[].serial] | unique | length"), "8\n");
    EXPECT_EQ(Jq(home, "[.[].outcome] | unique"), "[\"finished\"]\n");
}

// A run killed at any moment (while it sends, while it writes the record) leaves the record
// readable, with that run's entry whole or missing.
TEST(StationRecord, KilledRunsLeaveTheRecordReadableAndNeverTorn) {
    test::TempDir home("line");
    std::mt19937 random(std::random_device{}());
    const std::string env = "XDG_CONFIG_HOME='" + home.path().string() + "' XDG_DATA_HOME='" +
                            home.path().string() +
                            "' BPCONF_DATABASE_URL= CUPS_SERVER=" + test::NoScheduler();
    for (int i = 0; i < 24; ++i) {
        const int delayMs = static_cast<int>(random() % 60);
        std::system(("( " + env + " exec '" BPCONF_CLI "' " + kRun + "'" + (home / "jobs") +
                     "' >/dev/null 2>&1 & pid=$!; sleep 0." + (delayMs < 10 ? "00" : "0") +
                     std::to_string(delayMs) +
                     "; kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null )")
                        .c_str());
    }
    // And one that runs to its end after all of them.
    ASSERT_EQ(Cli(std::string(kRun) + "'" + (home / "jobs") + "'", home).status, 0);
    const auto r = Cli("units --format json", home);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Jq(home, "[.[] | .messages | length] | unique"), "[10]\n");
    // No number reached two units, and every number a unit got is in the record or the ledger.
    const auto serials = test::StampedSerials(home / "jobs");
    EXPECT_EQ(test::Duplicates(serials), std::vector<std::string>());
    for (const auto& [serial, units] : serials) {
        const auto used = Cli("units --serial " + serial + " --format json", home);
        EXPECT_TRUE(
            used.out.find(serial) != std::string::npos ||
            Cli(kRun + ("'" + (home / "jobs2") + "' --set serial.counter=" + serial.substr(6)),
                home)
                    .status == 1)
            << serial << " is neither in the record nor in the ledger";
    }
}

TEST(Units, CsvByRfc4180AndJsonCarryTheSameEntries) {
    test::TempDir home("line");
    // A capture folder whose name needs quoting in CSV, and a run that ends early with a reason.
    const std::string jobs = home / "jobs, \"A\"";
    ASSERT_EQ(Cli(std::string(kRun) + "'" + jobs + "'", home).status, 0);
    ASSERT_EQ(Cli(std::string(kRun) + "'" + jobs + "'" + EndsEarly(home), home).status, 1);
    const auto csv = Cli("units", home);
    ASSERT_EQ(csv.status, 0) << csv.err;
    const Rows rows = ParseCsv(csv.out);
    ASSERT_EQ(rows.size(), 3u) << csv.out;
    EXPECT_EQ(rows[0], (std::vector<std::string>{
                           "run_id", "started", "ended", "station", "language", "target", "serial",
                           "reused_serial", "outcome", "detail", "package_name", "package_size",
                           "package_sha256", "version", "messages", "waiting_for_line"}));
    for (const auto& row : rows)
        EXPECT_EQ(row.size(), rows[0].size());
    const std::size_t target = Column(rows, "target"), serial = Column(rows, "serial");
    EXPECT_EQ(rows[1][target], "capture " + jobs);
    EXPECT_EQ(rows[1][serial], "2026120001");
    EXPECT_EQ(rows[2][serial], "");
    EXPECT_EQ(rows[2][Column(rows, "outcome")], "ended early");
    EXPECT_EQ(rows[2][Column(rows, "detail")], "There is a problem updating files!!");
    EXPECT_EQ(rows[1][Column(rows, "messages")].substr(0, 27), "OPEN: done; STDP 28: done; ");
    // JSON, read by jq, holds the same.
    EXPECT_EQ(Jq(home, "[.[].target]"), "[" + std::string(R"(")") + "capture " +
                                            home.path().string() + R"(/jobs, \"A\"","capture )" +
                                            home.path().string() + R"(/jobs, \"A\""])" + "\n");
    EXPECT_EQ(Jq(home, "[.[].run_id]"), "[\"" + rows[1][0] + "\",\"" + rows[2][0] + "\"]\n");
    EXPECT_EQ(Jq(home, ".[0].messages[7]"),
              R"({"message":"STSN \"2026120001\"","result":"done","error":0,"error_text":""})"
              "\n");
}

// Station and file names are typed by people: a spreadsheet never runs one as a formula, and
// --excel marks the file as UTF-8 so that Chinese reads as Chinese.
TEST(Units, SpreadsheetSafeCsvAndExcelsByteOrderMark) {
    test::TempDir home("line");
    const std::string jobs = "'" + (home / "jobs") + "'";
    ASSERT_EQ(Cli(kRun + jobs, home, "BPCONF_STATION='=1+1'").status, 0);
    ASSERT_EQ(Cli(kRun + jobs, home, "BPCONF_STATION='@SUM(A1),-2'").status, 0);
    ASSERT_EQ(Cli(kRun + jobs, home, "BPCONF_STATION=站一").status, 0);
    const auto csv = Cli("units", home);
    ASSERT_EQ(csv.status, 0) << csv.err;
    const Rows rows = ParseCsv(csv.out);
    ASSERT_EQ(rows.size(), 4u) << csv.out;
    const std::size_t station = Column(rows, "station");
    EXPECT_EQ(rows[1][station], "'=1+1");
    EXPECT_EQ(rows[2][station], "'@SUM(A1),-2");
    EXPECT_EQ(rows[3][station], "站一");
    EXPECT_EQ(csv.out.rfind("run_id,", 0), 0u);  // plain CSV: no byte-order mark
    // JSON keeps the values as they are.
    EXPECT_EQ(Jq(home, "[.[].station]"), "[\"=1+1\",\"@SUM(A1),-2\",\"站一\"]\n");
    const auto excel = Cli("units --excel", home);
    ASSERT_EQ(excel.status, 0) << excel.err;
    EXPECT_EQ(excel.out, "\xEF\xBB\xBF" + csv.out);
    EXPECT_EQ(Cli("units --excel --format json", home).status, 2);
}

// Per station and day (or hour): the serial numbers as ranges, since the stations' numbers
// interleave; --outcome picks the runs by how they ended.
TEST(Units, SummaryPerStationAndOutcomes) {
    test::TempDir home("line");
    const std::string jobs = "'" + (home / "jobs") + "'";
    for (const char* station : {"A", "B", "A", "A"})
        ASSERT_EQ(Cli(kRun + jobs, home, std::string("BPCONF_STATION=") + station).status, 0);
    ASSERT_EQ(Cli(kRun + jobs + EndsEarly(home), home, "BPCONF_STATION=B").status, 1);
    const std::string started = Jq(home, ".[0].started");
    const std::string today = started.substr(1, 10), hour = started.substr(1, 13);
    if (Jq(home, ".[4].started").substr(1, 13) != hour)
        GTEST_SKIP() << "the runs crossed an hour (UTC)";
    const auto r = Cli("units --summary", home);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ParseCsv(r.out), (Rows{{"station", "date", "units", "finished", "failed", "serials"},
                                     {"A", today, "3", "3", "0", "202612: 0001, 0003\u20130004"},
                                     {"B", today, "2", "1", "1", "202612: 0002"}}));
    EXPECT_EQ(Cli("units --summary --by hour --station B --format json", home).out,
              "[\n {\"station\": \"B\", \"hour\": \"" + hour +
                  "\", \"units\": 2, \"finished\": 1, \"failed\": 1, \"serials\": "
                  "\"202612: 0002\"}\n]\n");
    const struct {
        std::string args, count;
    } cases[] = {{"--outcome finished", "4"},
                 {"--outcome ended-early", "1"},
                 {"--outcome failed --outcome closed", "0"},
                 {"--outcome finished --outcome ended-early --station B", "2"}};
    for (const auto& c : cases)
        EXPECT_EQ(Jq(home, "length", c.args), c.count + "\n") << c.args;
}

TEST(Units, FiltersAndUsage) {
    test::TempDir home("line");
    const std::string jobs = "'" + (home / "jobs") + "'";
    ASSERT_EQ(Cli(kRun + jobs, home).status, 0);
    ASSERT_EQ(Cli(kRun + jobs, home).status, 0);
    // A third unit of this month (whatever month it is): its counter alone finds it.
    ASSERT_EQ(Cli("run --no-pacing --capture " + jobs, home).status, 0);
    const struct {
        std::string args;
        std::string count;
    } cases[] = {
        {"--serial 2026120002", "1"}, {"--serial 0003", "1"},      {"--serial 3", "1"},
        {"--since 2000-01-01", "3"},  {"--until 2000-01-01", "0"}, {"--station nowhere", "0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Jq(home, "length", c.args), c.count + "\n") << c.args;
    // A number no unit has is said, not answered with an empty list.
    auto r = Cli("units --serial 2026120009", home);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find("bpconf-cli: no unit has serial number 2026120009\n"), std::string::npos)
        << r.err;
    // The record read is named on standard error.
    EXPECT_NE(r.err.find("bpconf-cli: reading the record " + (home / "bpconf/units.sqlite")),
              std::string::npos)
        << r.err;
    const struct {
        std::string args, says;
    } usage[] = {
        {"units --since 2026-1-1", "a date is YYYY-MM-DD, not '2026-1-1'"},
        {"units --format xml", "--format takes csv or json"},
        {"units --serial", "--serial needs a value"},
        {"units --serial 2026-12-0017",
         "a serial number is digits (2026120017, or 0017 for this "
         "month's), not '2026-12-0017'"},
        {"units extra", "unexpected argument extra"},
        {"units --outcome done", "--outcome takes finished, failed, ended-early or closed"},
        {"units --summary --by week", "--by takes day or hour"},
        {"units --check --station A", "--check accounts for a whole month"},
        {"units --month 202612", "--month goes with --check"},
        {"units --check --month 2026-12", "--month takes yyyyMM"},
        {"db", "db takes the subcommand init"},
        {"db sync", "no line database is named"},
        {"db release-station", "release-station takes one station name"},
        {"db init", "no line database is named"},
    };
    for (const auto& u : usage) {
        const auto r = Cli(u.args, home);
        EXPECT_EQ(r.status, 2) << u.args;
        EXPECT_NE(r.err.find(u.says), std::string::npos) << u.args << "\n" << r.err;
    }
}

// The command line stamps a number the record shows on a unit already only with --reuse-serial,
// and names the next free number when it refuses; the reuse stamps that number once and leaves
// the counter where it stands, so the next plain run takes the next free number.
TEST(ReuseGuard, CommandLineRefusesAStampedNumberUnlessAllowed) {
    test::TempDir home("line");
    const std::string jobs = "'" + (home / "jobs") + "'";
    ASSERT_EQ(Cli(kRun + jobs, home).status, 0);
    const std::string counter = test::Slurp(test::CounterFile(home));
    auto r = Cli(kRun + jobs + " --set serial.counter=0001", home);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "错误: The record " + (home / "bpconf/units.sqlite") +
                         " shows the serial number 2026120001 on a unit already; the next free "
                         "serial number is 2026120002. Nothing was sent; the update was stopped.\n"
                         "bpconf-cli: --reuse-serial stamps 2026120001 on this unit as well\n");
    EXPECT_EQ(test::StampedSerials(home / "jobs").size(), 1u);
    EXPECT_EQ(test::Slurp(test::CounterFile(home)), counter);

    r = Cli(kRun + jobs + " --set serial.counter=0001 --reuse-serial", home);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::StampedSerials(home / "jobs").at("2026120001"), 2);
    EXPECT_EQ(test::Slurp(test::CounterFile(home)), counter);
    EXPECT_EQ(Jq(home, "[.[] | [.serial, .reused_serial]]"),
              R"([["2026120001",false],["",false],["2026120001",true]])"
              "\n");
    ASSERT_EQ(Cli(kRun + jobs, home).status, 0);
    EXPECT_EQ(test::StampedSerials(home / "jobs").count("2026120002"), 1u);
    // A number never stamped needs no leave.
    EXPECT_EQ(Cli(kRun + jobs + " --set serial.counter=0007", home).status, 0);
}

// A record that cannot be kept stops every run before its first byte, with the record named as
// the reason; no serial number is taken.
TEST(StationRecord, RecordThatCannotBeKeptStopsTheRunBeforeTheFirstByte) {
    test::TempDir home("line");
    std::ofstream(home / "not-a-folder") << "x";
    const std::string noRecord = "XDG_DATA_HOME='" + (home / "not-a-folder") + "'";
    const std::string record = home / "not-a-folder/bpconf/units.sqlite";
    test::WriteCounter(home, "0005");
    for (const char* serial : {" --set serial.send=no", ""}) {
        const auto r =
            Cli(std::string(kRun) + "'" + (home / "jobs") + "'" + serial, home, noRecord);
        EXPECT_EQ(r.status, 1) << serial;
        EXPECT_NE(
            r.err.find("错误: The unit record " + record + " cannot be written: cannot create"),
            std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("Nothing was sent; the update was stopped."), std::string::npos);
        EXPECT_FALSE(fs::exists(home / "jobs")) << serial;
        EXPECT_EQ(platform::RegFileCounterStore(test::CounterFile(home)).Read().text, "0005");
    }
}

// The station's counter set back below numbers already stamped (a backup restored): the run sends
// nothing and names the next free number; no number is burnt, and the number named is stamped
// once the operator gives it.
TEST(StationLedger, CounterSetBackSendsNothingAndNamesTheNextFreeNumber) {
    test::TempDir home("line");
    const std::string jobs = "'" + (home / "jobs") + "'";
    ASSERT_EQ(Cli(kRun + jobs, home).status, 0);
    ASSERT_EQ(Cli(kRun + jobs, home).status, 0);
    test::WriteCounter(home, "0001");  // set back behind the tool's back
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto r = Cli(kRun + jobs, home);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("gives 2026120001, which is on a unit already (the counter was set "
                             "back; the record " +
                             (home / "bpconf/units.sqlite") +
                             "); the next free serial number is 2026120003. Nothing was sent"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(test::StampedSerials(home / "jobs").size(), 2u);
        EXPECT_EQ(platform::RegFileCounterStore(test::CounterFile(home)).Read().text, "0001");
    }
    ASSERT_EQ(Cli(kRun + jobs + " --set serial.counter=0003", home).status, 0);
    ASSERT_EQ(Cli(kRun + jobs, home).status, 0);
    const auto serials = test::StampedSerials(home / "jobs");
    EXPECT_EQ(test::Duplicates(serials), std::vector<std::string>());
    EXPECT_EQ(serials.size(), 4u);
    EXPECT_EQ(serials.rbegin()->first, "2026120004");
}

}  // namespace
}  // namespace bpconf

namespace bpconf {
namespace {

// A figure of the page's headline: the number before its label.
int Headline(const std::string& page, const std::string& label) {
    const std::size_t at = page.find("</b>" + label + "</span>");
    if (at == std::string::npos)
        return -1;
    const std::size_t open = page.rfind("<b>", at);
    return std::atoi(page.substr(open + 3, at - open - 3).c_str());
}

// The page drawn from the record the units command reads: its headline equals what units
// --summary and --check say, it holds no reference outside itself and no script, a hostile name
// is text, a real browser (Chromium, headless) draws it, and --watch rewrites it until SIGTERM.
TEST(Report, PageMatchesUnitsAndABrowserDrawsIt) {
    test::TempDir home("report");
    const std::string jobs = "'" + (home / "jobs") + "'";
    for (const char* station : {"A", "B", "A", "<script>alert(1)</script>"})
        ASSERT_EQ(Cli(kRun + jobs, home, std::string("BPCONF_STATION='") + station + "'").status,
                  0);
    ASSERT_EQ(Cli(kRun + jobs + EndsEarly(home), home, "BPCONF_STATION=B").status, 1);
    ASSERT_EQ(
        Cli(kRun + jobs + " --set serial.counter=0002 --reuse-serial", home, "BPCONF_STATION=B")
            .status,
        0);
    const std::string page = home / "r.html";
    auto r = Cli("report --language english -o '" + page + "'", home);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string html = test::Slurp(page);
    const Rows summary = ParseCsv(Cli("units --summary", home).out);
    int units = 0, finished = 0, failed = 0;
    for (std::size_t i = 1; i < summary.size(); ++i) {
        units += std::stoi(summary[i][2]);
        finished += std::stoi(summary[i][3]);
        failed += std::stoi(summary[i][4]);
    }
    EXPECT_EQ(Headline(html, "units configured"), units);
    EXPECT_EQ(Headline(html, "finished"), finished);
    EXPECT_EQ(Headline(html, "failed") + Headline(html, "ended early") + Headline(html, "closed"),
              failed);
    const std::string check = Cli("units --check --month 202612", home).out;
    EXPECT_NE(check.find(": 4 (3 on one unit each, 1 reused as confirmed, 0 duplicate, 0 void"),
              std::string::npos)
        << check;
    EXPECT_EQ(Headline(html, "serials stamped"), 4);
    EXPECT_EQ(Headline(html, "duplicates (must read 0)"), 0);
    for (const char* forbidden : {"src=", "href=", "<script", "url("})
        EXPECT_EQ(html.find(forbidden), std::string::npos) << forbidden;
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);

    const bool browser = std::system("command -v chromium >/dev/null 2>&1") == 0;
    if (!browser && std::getenv("BPCONF_REQUIRE_BROWSER") != nullptr)
        ADD_FAILURE() << "chromium is not installed";
    if (browser) {
        const std::string chromium =
            "chromium --headless --no-sandbox --disable-gpu "
            "--user-data-dir='" +
            (home / "chromium") + "' ";
        const std::string shot = home / "shot.png";
        std::system((chromium + "--window-size=900,1300 --screenshot='" + shot + "' 'file://" +
                     page + "' >/dev/null 2>&1")
                        .c_str());
        EXPECT_EQ(test::RunCommand("identify -format '%wx%h' '" + shot + "'"), "900x1300");
        // Not a blank page: the drawing has light and dark.
        const double spread = std::atof(
            test::RunCommand("convert '" + shot +
                             "' -colorspace gray -format '%[fx:standard_deviation]' info:")
                .c_str());
        EXPECT_GT(spread, 0.05);
        // The page the browser built holds no script element: the hostile name stayed text.
        const std::string dom =
            test::RunCommand(chromium + "--dump-dom 'file://" + page + "' 2>/dev/null");
        EXPECT_NE(dom.find("Line report"), std::string::npos);
        EXPECT_EQ(dom.find("<script"), std::string::npos);
    }

    // The wall view: rewritten until stopped.
    const std::string wall = home / "wall.html";
    const std::string pidFile = home / "wall.pid";
    std::system(
        ("XDG_CONFIG_HOME='" + home.path().string() + "' XDG_DATA_HOME='" + home.path().string() +
         "' BPCONF_DATABASE_URL= '" BPCONF_CLI "' report --watch 1 --language english -o '" + wall +
         "' >/dev/null 2>&1 & echo $! >'" + pidFile + "'")
            .c_str());
    std::set<std::string> seen;
    for (int i = 0; i < 600 && seen.size() < 3; ++i) {
        const std::string now = test::Slurp(wall);
        if (!now.empty())
            seen.insert(now);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_GE(seen.size(), 3u);
    EXPECT_NE(test::Slurp(wall).find("<meta http-equiv=\"refresh\" content=\"1\">"),
              std::string::npos);
    std::string pid = test::Slurp(pidFile);
    pid.erase(pid.find_last_not_of(" \n") + 1);
    EXPECT_EQ(std::system(("kill -TERM " + pid + "; for _ in $(seq 1 100); do kill -0 " + pid +
                           " 2>/dev/null || exit 0; sleep 0.1; done; exit 1")
                              .c_str()),
              0);
}

}  // namespace
}  // namespace bpconf
