// Several stations on one PostgreSQL database: the private server of scripts/test
// (BPCONF_TEST_DATABASE_URL, a Unix socket only), each test in a database of its own. No serial
// number on two units whatever the stations do at once, whatever is killed, and a server gone
// mid-run stops the run before its stamp.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "CliSupport.h"
#include "SerialBookContract.h"
#include "TestSupport.h"
#include "platform/SqliteStationStore.h"
#include "platform/postgres/PgLine.h"
#include "platform/postgres/PgLineDirectory.h"
#include "platform/postgres/PgSerialBook.h"
#include "platform/postgres/PgUnitRecord.h"
#include "serials/StationLine.h"

namespace bpconf {
namespace {

using test::Cli;

// A database of the test's own on the private server; "" without one.
std::string FreshDatabase(const std::string& name) {
    const char* base = std::getenv("BPCONF_TEST_DATABASE_URL");
    if (base == nullptr || *base == '\0')
        return "";
    const std::string server = base;
    // Collated as a server set up in English collates, not in byte order: ':' sorts before the
    // digits there, and punctuation counts for little.
    std::system(
        ("psql -q '" + server + "' -c 'DROP DATABASE IF EXISTS " + name +
         " WITH (FORCE)' -c \"CREATE DATABASE " + name +
         " TEMPLATE template0 LC_COLLATE 'en_US.UTF-8' LC_CTYPE 'en_US.UTF-8'\" >/dev/null 2>&1")
            .c_str());
    // A later keyword wins over an earlier one in a connection string.
    return server + " dbname=" + name;
}

#define REQUIRE_DATABASE(url)                                                                \
    do {                                                                                     \
        if ((url).empty()) {                                                                 \
            if (std::getenv("BPCONF_REQUIRE_DATABASE") != nullptr)                           \
                FAIL() << "BPCONF_TEST_DATABASE_URL is not set: start scripts/pg-server";    \
            GTEST_SKIP() << "no private PostgreSQL server (BPCONF_TEST_DATABASE_URL unset)"; \
        }                                                                                    \
    } while (0)

std::string Sql(const std::string& url, const std::string& query) {
    return test::RunCommand("psql -At '" + url + "' -c \"" + query + "\"");
}

// The environment of one station of the line.
std::string Station(const std::string& url, const std::string& name) {
    return "BPCONF_DATABASE_URL='" + url + "' BPCONF_STATION=" + name;
}

constexpr const char* kRun = "run --no-pacing --set serial.month=202612 --capture ";

// A PostgreSQL server of the test's own (scripts/pg-server), which the test stops, kills and
// starts again; stopped when the test ends, pass or fail.
class OwnServer {
  public:
    explicit OwnServer(const std::string& dir) : dir_(dir) {
        const std::string started = Do("start");
        url_ = started.substr(0, started.find('\n'));
    }
    ~OwnServer() { Do("stop"); }
    // Gone at once, as a crash has it.
    void Kill() { Do("kill"); }
    // Hung: the server and its connections stop answering, and go on again.
    void Hang(bool hung) {
        const std::string pid = "$(head -n 1 '" + dir_ + "/data/postmaster.pid')";
        const std::string signal = hung ? "STOP" : "CONT";
        std::system(("pkill -" + signal + " -P " + pid + "; kill -" + signal + " " + pid).c_str());
    }
    void Start() { Do("start"); }
    const std::string& Url() const { return url_; }

  private:
    std::string Do(const std::string& what) {
        return test::RunCommand("'" BPCONF_SOURCE_DIR "/scripts/pg-server' " + what + " '" + dir_ +
                                "'");
    }
    std::string dir_, url_;
};

class LineDatabase : public ::testing::Test {
  protected:
    void Init(const std::string& name) {
        url_ = FreshDatabase(name);
        if (url_.empty())
            return;
        const auto r = Cli("db init", home_, Station(url_, "setup"));
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(r.out, "the line database is ready (schema version 3)\n");
    }
    test::TempDir home_{"linedb"};
    std::string url_;
};

TEST_F(LineDatabase, FourStationsInParallelStampOneHundredConsecutiveNumbers) {
    Init("bpconf_four_stations");
    REQUIRE_DATABASE(url_);
    std::vector<std::thread> stations;
    std::vector<std::unique_ptr<test::TempDir>> homes;
    std::vector<int> failures(4, 0);
    for (int s = 0; s < 4; ++s)
        homes.push_back(std::make_unique<test::TempDir>("station"));
    for (int s = 0; s < 4; ++s) {
        stations.emplace_back([&, s] {
            for (int run = 0; run < 25; ++run) {
                const auto r = Cli(kRun + ("'" + (home_ / "jobs") + "'"), *homes[s],
                                   Station(url_, "S" + std::to_string(s + 1)));
                failures[s] += r.status != 0;
            }
        });
    }
    for (auto& t : stations)
        t.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
    const auto serials = test::StampedSerials(home_ / "jobs");
    EXPECT_EQ(serials.size(), 100u);
    EXPECT_EQ(test::Duplicates(serials), std::vector<std::string>());
    EXPECT_EQ(serials.begin()->first, "2026120001");
    EXPECT_EQ(serials.rbegin()->first, "2026120100");
    EXPECT_EQ(Sql(url_, "SELECT count(*), count(DISTINCT station) FROM units"), "100|4\n");
    EXPECT_EQ(Sql(url_, "SELECT state, count(*) FROM serials GROUP BY state"), "stamped|100\n");
    EXPECT_EQ(Sql(url_, "SELECT next FROM counters"), "101\n");
    // Each station's own counter was never used; its own file holds its own entries, none of
    // them waiting for the line.
    for (const auto& h : homes) {
        EXPECT_FALSE(std::filesystem::exists(test::CounterFile(*h)));
        const auto own = Cli("units", *h);
        EXPECT_EQ(std::count(own.out.begin(), own.out.end(), '\n'), 26) << own.out;
        EXPECT_EQ(own.out.find(",yes\r\n"), std::string::npos) << own.out;
    }
}

// Runs killed at random moments: every number in the ledger is stamped, void or still reserved;
// every number a unit got is in the ledger and not void; none reached two units.
TEST_F(LineDatabase, KilledRunsNeverPutANumberOnTwoUnits) {
    Init("bpconf_killed_runs");
    REQUIRE_DATABASE(url_);
    std::mt19937 random(std::random_device{}());
    const std::string env = Station(url_, "K") + " XDG_CONFIG_HOME='" + home_.path().string() +
                            "' XDG_DATA_HOME='" + home_.path().string() +
                            "' CUPS_SERVER=" + test::NoScheduler();
    // How long a whole run takes here and now: the kills fall anywhere inside it.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Cli(kRun + ("'" + (home_ / "jobs") + "'"), home_, Station(url_, "K")).status, 0);
    const auto runMs =
        std::max<long long>(20, std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - started)
                                    .count());
    for (int i = 0; i < 30; ++i) {
        const long long delayUs = static_cast<long long>(random() % (runMs * 1000));
        std::system(("( " + env + " exec '" BPCONF_CLI "' " + kRun + "'" + (home_ / "jobs") +
                     "' >/dev/null 2>&1 & pid=$!; sleep " + std::to_string(delayUs / 1000000.0) +
                     "; kill -9 $pid 2>/dev/null; wait $pid )")
                        .c_str());
    }
    // And twice at the moment that matters most, whatever the machine's speed: the number is on
    // the unit, not yet settled.
    for (int i = 0; i < 2; ++i) {
        std::system(
            test::KillAfterTheStamp(
                env + " '" BPCONF_CLI "' run --capture '" + (home_ / "jobs") + "'", home_ / "jobs")
                .c_str());
    }
    // Each number still reserved is a run killed between taking it and settling it: without
    // them, the case that matters was not tried.
    const std::string reserved = Sql(url_, "SELECT count(*) FROM serials WHERE state = 'reserved'");
    EXPECT_GE(std::atoi(reserved.c_str()), 2) << reserved;
    const auto after = Cli(kRun + ("'" + (home_ / "jobs") + "'"), home_, Station(url_, "K"));
    ASSERT_EQ(after.status, 0) << after.err;

    const auto serials = test::StampedSerials(home_ / "jobs");
    EXPECT_EQ(test::Duplicates(serials), std::vector<std::string>());
    for (const auto& [serial, units] : serials) {
        const std::string state =
            Sql(url_, "SELECT state FROM serials WHERE serial = '" + serial + "'");
        EXPECT_TRUE(state == "stamped\n" || state == "reserved\n") << serial << ": " << state;
    }
    // The counter is past every number given.
    EXPECT_EQ(Sql(url_,
                  "SELECT next > (SELECT max(right(serial, 4)::int) FROM serials) "
                  "FROM counters"),
              "t\n");
}

// The operator's number sets the line's counter; the guard sees what other stations stamped.
TEST_F(LineDatabase, OperatorsNumberSetsTheLineAndTheGuardSeesEveryStation) {
    Init("bpconf_operator_number");
    REQUIRE_DATABASE(url_);
    test::TempDir other("station");
    const std::string jobs = " '" + (home_ / "jobs") + "'";
    ASSERT_EQ(Cli(kRun + jobs + " --set serial.counter=0500", home_, Station(url_, "A")).status, 0);
    ASSERT_EQ(Cli(kRun + jobs, other, Station(url_, "B")).status, 0);
    EXPECT_EQ(Sql(url_, "SELECT serial || ' ' || station FROM serials ORDER BY serial"),
              "2026120500 A\n2026120501 B\n");
    auto r = Cli(kRun + jobs + " --set serial.counter=0500", other, Station(url_, "B"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the serial number 2026120500 on a unit already"), std::string::npos)
        << r.err;
    r = Cli(kRun + jobs + " --set serial.counter=0500 --reuse-serial", other, Station(url_, "B"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Sql(url_,
                  "SELECT station || ' ' || reused FROM serials WHERE serial = '2026120500' "
                  "ORDER BY reserved_at"),
              "A 0\nB 1\n");
    EXPECT_EQ(test::StampedSerials(home_ / "jobs").at("2026120500"), 2);
    // The reuse never moved the line's counter back.
    EXPECT_EQ(Sql(url_, "SELECT next FROM counters"), "502\n");
}

// Whatever is wrong with the line is found before the first byte: nothing is sent, no number is
// used, and the operator reads why (a mistyped address is a usage error).
TEST_F(LineDatabase, LineIsCheckedBeforeTheFirstByte) {
    Init("bpconf_checked");
    REQUIRE_DATABASE(url_);
    const std::string base = std::getenv("BPCONF_TEST_DATABASE_URL");
    const std::string older = FreshDatabase("bpconf_older_schema");
    ASSERT_EQ(Cli("db init", home_, Station(older, "setup")).status, 0);
    Sql(older, "UPDATE bpconf_schema SET version = 2");
    const struct {
        std::string url, station, language;
        int status;
        std::string says;
    } cases[] = {
        {base + " dbname=bpconf_no_such_database", "A", "C", 1,
         "does not answer: the database cannot be reached"},
        {"host=" + (home_ / "no-socket") + " dbname=line", "A", "zh_CN.UTF-8", 1,
         "错误: 无法连接生产线数据库 host=" + (home_ / "no-socket") +
             " dbname=line：the database cannot be reached"},
        {FreshDatabase("bpconf_never_set_up"), "A", "C", 1,
         "is not set up for this tool (run `bpconf-cli db init`). Nothing was sent; the update "
         "was stopped."},
        {older, "A", "C", 1,
         "has schema version 2; this tool needs version 3 (run `bpconf-cli db init`)"},
        {"postgresq://line-db/bpconf", "A", "C", 2, "should begin with postgresql://"},
        {url_, "", "C", 1,
         "A station on a line needs a name of its own (BPCONF_STATION, or station= in the [line] "
         "section of a profile); it is never named after its host."},
    };
    for (const auto& c : cases) {
        const auto r = Cli(kRun + ("'" + (home_ / "jobs") + "'"), home_,
                           Station(c.url, c.station) + " LANG=" + c.language);
        EXPECT_EQ(r.status, c.status) << c.url;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.url << "\n" << r.err;
        EXPECT_FALSE(std::filesystem::exists(home_ / "jobs")) << c.url;
        EXPECT_FALSE(std::filesystem::exists(test::CounterFile(home_))) << c.url;
    }
    EXPECT_EQ(
        Sql(url_, "SELECT count(*) FROM serials") + Sql(url_, "SELECT count(*) FROM counters"),
        "0\n0\n");
    // Lines this station never reached (a wrong address) get none of its entries later: they
    // stay in its own record only.
    const auto own = Cli("units", home_);
    EXPECT_NE(own.out.find(",no\r\n"), std::string::npos) << own.out;
    EXPECT_EQ(own.out.find(",yes\r\n"), std::string::npos) << own.out;
}

// A station name is held by the machine that first ran under it, until it is released on
// purpose; the release and the registrations are noted on the line.
TEST_F(LineDatabase, StationNameIsHeldByOneMachineUntilReleased) {
    Init("bpconf_station_names");
    REQUIRE_DATABASE(url_);
    test::TempDir other("machine");
    const std::string jobs = "'" + (home_ / "jobs") + "'";
    ASSERT_EQ(Cli(kRun + jobs, home_, Station(url_, "A")).status, 0);
    auto r = Cli(kRun + jobs, other, Station(url_, "A"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("The station name \"A\" is held by another machine (host "),
              std::string::npos)
        << r.err;
    EXPECT_EQ(test::StampedSerials(home_ / "jobs").size(), 1u);
    EXPECT_EQ(Cli("db release-station A", other, Station(url_, "B")).out,
              "the station name A is free: the next machine that runs as it holds it\n");
    EXPECT_EQ(Cli("db release-station A", other, Station(url_, "B")).status, 1);
    ASSERT_EQ(Cli(kRun + jobs, other, Station(url_, "A")).status, 0);
    // The first machine is now the other one.
    EXPECT_EQ(Cli(kRun + jobs, home_, Station(url_, "A")).status, 1);
    EXPECT_EQ(test::StampedSerials(home_ / "jobs").size(), 2u);
    EXPECT_EQ(Sql(url_, "SELECT station || ' ' || event FROM station_events ORDER BY at"),
              "A registered\nA released\nA registered\n");
    EXPECT_EQ(Sql(url_, "SELECT count(DISTINCT machine_id) FROM station_events"), "2\n");
}

// A station that ran on a line never stamps from its own counter unasked: without the line's
// address it sends nothing, until the address is back or it leaves the line on purpose.
TEST_F(LineDatabase, StationRemembersItsLineUntilItLeaves) {
    Init("bpconf_remembers");
    REQUIRE_DATABASE(url_);
    const std::string jobs = "'" + (home_ / "jobs") + "'";
    ASSERT_EQ(Cli(kRun + jobs, home_, Station(url_, "A")).status, 0);
    auto r = Cli(kRun + jobs, home_, "BPCONF_STATION=A");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("This station belongs to the line " + url_), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(test::CounterFile(home_)));
    EXPECT_EQ(test::StampedSerials(home_ / "jobs").size(), 1u);
    // The address given again: the line's next number.
    ASSERT_EQ(Cli(kRun + jobs, home_, Station(url_, "A")).status, 0);
    // Another station of the line takes the next number.
    test::TempDir other("station");
    ASSERT_EQ(Cli(kRun + jobs, other, Station(url_, "B")).status, 0);
    // Leaving needs the line: the station's own counter goes past the line's numbers first.
    EXPECT_EQ(Cli("db leave", home_, "BPCONF_STATION=A").status, 2);
    EXPECT_EQ(Cli("db leave", home_, Station(url_, "A")).out,
              "this station left the line " + url_ +
                  ": it stamps from its own counter from now on, at 0004\n");
    EXPECT_EQ(Sql(url_, "SELECT event FROM station_events ORDER BY at DESC LIMIT 1"), "left\n");
    r = Cli(kRun + jobs, home_, "BPCONF_STATION=A");
    EXPECT_EQ(r.status, 0) << r.err;
    const auto serials = test::StampedSerials(home_ / "jobs");
    EXPECT_EQ(test::Duplicates(serials), std::vector<std::string>());
    EXPECT_EQ(serials.count("2026120004"), 1u);
    EXPECT_EQ(Cli("db leave", home_, Station(url_, "A")).status, 1);
}

// What waits for one line never goes to another: a station whose line is away is refused on a
// second line until what waits has reached the first. An entry the line answers but refuses
// waits and is told, and never holds up the entries after it.
TEST_F(LineDatabase, WhatWaitsGoesToItsOwnLineAndARefusedEntryHoldsUpNothing) {
    Init("bpconf_first_line");
    REQUIRE_DATABASE(url_);
    const std::string first = url_;
    Init("bpconf_second_line");
    const std::string second = url_;
    const std::string base = std::getenv("BPCONF_TEST_DATABASE_URL");
    const std::string jobs = "'" + (home_ / "jobs") + "'";
    ASSERT_EQ(Cli(kRun + jobs, home_, Station(first, "A")).status, 0);
    Sql(base, "ALTER DATABASE bpconf_first_line ALLOW_CONNECTIONS false");
    EXPECT_EQ(Cli(kRun + jobs, home_, Station(first, "A")).status, 1);
    auto r = Cli(kRun + jobs, home_, Station(second, "A"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("1 entries of this station still wait for the line " + first +
                         " under the station name \"A\""),
              std::string::npos)
        << r.err;
    Sql(base, "ALTER DATABASE bpconf_first_line ALLOW_CONNECTIONS true");
    EXPECT_EQ(Cli("db sync", home_, Station(first, "A")).out, "1 sent to the line, 0 waiting\n");
    EXPECT_EQ(Sql(first, "SELECT count(*) FROM units"), "2\n");
    // Now free to join the second line.
    ASSERT_EQ(Cli(kRun + jobs, home_, Station(second, "A")).status, 0);

    // A package whose name the line's database cannot hold (not UTF-8).
    const std::string odd = home_ / "pack\xff.bin";
    std::ofstream(odd, std::ios::binary) << "12345";
    r = Cli(kRun + jobs + " --package '" + odd + "'", home_, Station(second, "A"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("(line: 1 waiting)"), std::string::npos) << r.out;
    ASSERT_EQ(Cli(kRun + jobs, home_, Station(second, "A")).status, 0);
    EXPECT_EQ(Sql(second, "SELECT count(*) FROM units"), "2\n");
    r = Cli("db sync", home_, Station(second, "A"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "0 sent to the line, 1 waiting\n");
    EXPECT_NE(r.err.find("bpconf-cli: the line refused run "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("invalid byte sequence"), std::string::npos) << r.err;
}

// The server stops while a paced run is under way: the run stops before its stamp and says so;
// after the server is back the next run takes the next number, and no number is on two units.
TEST_F(LineDatabase, ServerGoneDuringARunStopsItBeforeTheStamp) {
    if (std::getenv("BPCONF_TEST_DATABASE_URL") == nullptr) {
        REQUIRE_DATABASE(std::string());
    }
    OwnServer server(home_ / "own-server");
    const std::string url = server.Url();
    ASSERT_FALSE(url.empty());
    ASSERT_EQ(Cli("db init", home_, Station(url, "A")).status, 0);
    ASSERT_EQ(Cli(kRun + ("'" + (home_ / "jobs") + "'"), home_, Station(url, "A")).status, 0);

    // Paced: the serial-number step comes seconds after the first job.
    std::thread stopper([&] {
        for (int i = 0; i < 500 && !std::filesystem::exists(home_ / "jobs/job-0011.bin"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        server.Kill();
    });
    auto r = Cli("run --set serial.month=202612 --capture '" + (home_ / "jobs") + "'", home_,
                 Station(url, "A"));
    stopper.join();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("The serial-number counter PostgreSQL"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("No serial number was sent; the update was stopped."), std::string::npos)
        << r.err;
    // Its entry waits on the station, and the operator reads that it does.
    EXPECT_NE(r.out.find("(line: 1 waiting)"), std::string::npos) << r.out;
    EXPECT_EQ(test::StampedSerials(home_ / "jobs").size(), 1u);

    server.Start();
    r = Cli(kRun + ("'" + (home_ / "jobs") + "'"), home_, Station(url, "A"));
    EXPECT_EQ(r.status, 0) << r.err;
    const auto serials = test::StampedSerials(home_ / "jobs");
    EXPECT_EQ(serials, (std::map<std::string, int>{{"2026120001", 1}, {"2026120002", 1}}));
    EXPECT_EQ(Sql(url, "SELECT serial || ' ' || state FROM serials ORDER BY serial"),
              "2026120001 stamped\n2026120002 stamped\n");
    // The stopped run's entry reached the line at the next run's start.
    EXPECT_EQ(Sql(url, "SELECT count(*) FROM units"), "3\n");
}

// The database crashes with two numbers taken and not settled: each settling waits on the
// station, with the run's entry, and reaches the line in order when it is back, on a connection
// opened again without a word; sent twice, nothing changes. A connection the server dropped
// between two takes is opened again once as well.
TEST_F(LineDatabase, SettlingWaitsOnTheStationWhileTheDatabaseIsAway) {
    if (std::getenv("BPCONF_TEST_DATABASE_URL") == nullptr) {
        REQUIRE_DATABASE(std::string());
    }
    OwnServer server(home_ / "own-server");
    ASSERT_TRUE(platform::InitLineDatabase(server.Url()));
    auto connection = platform::ConnectLineDatabase(server.Url());
    platform::PgSerialBook book(connection);
    platform::PgUnitRecord record(connection);
    platform::PgLineDirectory directory(connection);
    platform::SqliteStationStore store(
        std::make_shared<platform::SqliteDatabase>(home_ / "station/units.sqlite"));
    serials::StationLine line(&store, "", serials::StationLine::Line{directory, book, record, "L"},
                              "A", "host-a");
    ASSERT_TRUE(line.Check());
    serials::SerialPolicy policy(book, &line);
    serials::TakenSerial first, second;
    ASSERT_TRUE(policy.Take({"202612", {}, "", "run-1", "A"}, first));
    ASSERT_TRUE(policy.Take({"202612", {}, "", "run-2", "A"}, second));

    server.Kill();
    EXPECT_EQ(policy.Settle(first, serials::SerialState::Stamped).kind,
              serials::SerialProblem::Kind::SettleWaiting);
    EXPECT_EQ(policy.Settle(second, serials::SerialState::Void).kind,
              serials::SerialProblem::Kind::SettleWaiting);
    platform::UnitEntry entry;
    entry.runId = "run-1";
    entry.started = entry.ended = "2026-12-08T09:00:00.000Z";
    entry.station = "A";
    entry.serial = first.serial;
    entry.outcome = "finished";
    entry.messages = {{"STSN \"2026120001\"", "done", 0, ""}};
    ASSERT_TRUE(line.Write(entry));
    EXPECT_EQ(line.Waiting(), 3);
    EXPECT_EQ(line.Sync().waiting, 3);

    server.Start();
    const serials::SyncReport sent = line.Sync();
    EXPECT_EQ(sent.sent, 3) << sent.reason;
    EXPECT_EQ(sent.waiting, 0);
    EXPECT_EQ(Sql(server.Url(), "SELECT serial || ' ' || state FROM serials ORDER BY serial"),
              "2026120001 stamped\n2026120002 void\n");
    EXPECT_EQ(Sql(server.Url(), "SELECT run_id || ' ' || serial FROM units"), "run-1 2026120001\n");
    // Sent again, as after a crash between the line's change and the station's note of it.
    ASSERT_TRUE(store.QueueSettle(first.serial, "run-1", "reserved", "stamped", {"L", "A"}));
    EXPECT_TRUE(record.Write(entry));
    EXPECT_EQ(line.Sync().notSettled, std::vector<std::string>());
    EXPECT_EQ(Sql(server.Url(), "SELECT count(*) FROM units") +
                  Sql(server.Url(), "SELECT count(*) FROM unit_messages"),
              "1\n1\n");

    // A restart between two takes: the next take opens the connection again.
    server.Kill();
    server.Start();
    serials::TakenSerial third;
    const serials::SerialProblem taken = policy.Take({"202612", {}, "", "run-3", "A"}, third);
    EXPECT_TRUE(taken) << taken.reason;
    EXPECT_EQ(third.serial, "2026120003");
}

// A server that hangs on an open connection (nothing answers, nothing closes) is given up within
// the connection's bound: the program says so instead of waiting for ever, and uses a new
// connection once the server answers again.
TEST_F(LineDatabase, HungServerIsGivenUpWithinTheBound) {
    if (std::getenv("BPCONF_TEST_DATABASE_URL") == nullptr) {
        REQUIRE_DATABASE(std::string());
    }
    OwnServer server(home_ / "own-server");
    ASSERT_TRUE(platform::InitLineDatabase(server.Url()));
    platform::PgSerialBook book(platform::ConnectLineDatabase(server.Url()));
    serials::SerialPolicy policy(book);
    serials::TakenSerial first, second;
    ASSERT_TRUE(policy.Take({"202612", {}, "", "run-1", "A"}, first));
    server.Hang(true);
    test::AtScopeEnd resume([&] { server.Hang(false); });
    const serials::SerialProblem hung = policy.Take({"202612", {}, "", "run-2", "A"}, second);
    // Given up, then asked again once on a new connection, which the hung server never opens.
    EXPECT_EQ(hung.kind, serials::SerialProblem::Kind::CounterUnreadable);
    EXPECT_NE(hung.reason.find("the database cannot be reached: "), std::string::npos)
        << hung.reason;
    server.Hang(false);
    const serials::SerialProblem again = policy.Take({"202612", {}, "", "run-3", "A"}, second);
    EXPECT_TRUE(again) << again.reason;
    EXPECT_EQ(second.serial, "2026120002");
}

// The database is away for ten seconds while three stations keep running: runs are refused
// before their first byte, or stopped at their serial step, and every entry and settling waits
// on its station. Once it is back and each station has sent what waited, every run is in the
// line's record exactly once and every number that reached a printer is stamped.
TEST_F(LineDatabase, NoEntryIsLostWhileTheDatabaseIsAway) {
    if (std::getenv("BPCONF_TEST_DATABASE_URL") == nullptr) {
        REQUIRE_DATABASE(std::string());
    }
    OwnServer server(home_ / "own-server");
    ASSERT_EQ(Cli("db init", home_, Station(server.Url(), "setup")).status, 0);
    std::vector<std::unique_ptr<test::TempDir>> homes;
    for (int s = 0; s < 3; ++s)
        homes.push_back(std::make_unique<test::TempDir>("station"));
    std::atomic<bool> over{false};
    std::vector<int> runs(3, 0);
    std::vector<std::thread> stations;
    for (int s = 0; s < 3; ++s) {
        stations.emplace_back([&, s] {
            const std::string name = "S" + std::to_string(s + 1);
            while (!over) {
                Cli(kRun + ("'" + (*homes[s] / "jobs") + "'"), *homes[s],
                    Station(server.Url(), name));
                ++runs[s];
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
            }
        });
    }
    // Away once every station has stamped, back ten seconds later, and some runs after that.
    for (int i = 0; i < 600; ++i) {
        if (std::all_of(homes.begin(), homes.end(),
                        [](const auto& h) { return !test::StampedSerials(*h / "jobs").empty(); }))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    server.Kill();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    server.Start();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    over = true;
    for (auto& t : stations)
        t.join();

    std::map<std::string, int> stamped;
    int total = 0;
    for (int s = 0; s < 3; ++s) {
        const auto r =
            Cli("db sync", *homes[s], Station(server.Url(), "S" + std::to_string(s + 1)));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(", 0 waiting\n"), std::string::npos) << r.out;
        for (const auto& [serial, units] : test::StampedSerials(*homes[s] / "jobs"))
            stamped[serial] += units;
        total += runs[s];
    }
    EXPECT_EQ(Sql(server.Url(), "SELECT count(*), count(DISTINCT run_id) FROM units"),
              std::to_string(total) + "|" + std::to_string(total) + "\n");
    EXPECT_EQ(test::Duplicates(stamped), std::vector<std::string>());
    for (const auto& [serial, units] : stamped) {
        EXPECT_EQ(Sql(server.Url(), "SELECT state FROM serials WHERE serial = '" + serial + "'"),
                  "stamped\n")
            << serial;
    }
    // The outage left its mark: refused runs, recorded as such.
    EXPECT_NE(Sql(server.Url(), "SELECT count(*) FROM units WHERE detail LIKE '%does not answer%'"),
              "0\n");
}

// The account of a month: a reuse the operator confirmed, a void number, numbers the counter
// passed over, and a unit planted by hand on a number another unit has: the duplicate is named
// with both units and the command fails.
TEST_F(LineDatabase, CheckAccountsForEveryNumberOfTheMonth) {
    Init("bpconf_check");
    REQUIRE_DATABASE(url_);
    const std::string jobs = "'" + (home_ / "jobs") + "'";
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(Cli(kRun + jobs, home_, Station(url_, "A")).status, 0);
    ASSERT_EQ(
        Cli(kRun + jobs + " --set serial.counter=0002 --reuse-serial", home_, Station(url_, "A"))
            .status,
        0);
    ASSERT_EQ(Cli("db set-counter 6 --month 202612", home_, Station(url_, "A")).status, 0);
    ASSERT_EQ(Cli(kRun + jobs, home_, Station(url_, "A")).status, 0);
    Sql(url_,
        "INSERT INTO serials VALUES ('2026120004', 'serial', 'void', 'A', 'run-void', 0, "
        "'2026-12-08T09:00:00.000Z', '2026-12-08T09:00:01.000Z')");
    auto r = Cli("units --check --month 202612", home_, Station(url_, "A"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("serial numbers of 202612 in PostgreSQL bpconf_check@"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(": 6 (3 on one unit each, 1 reused as confirmed, 0 duplicate, 1 void, 0 "
                         "reserved and never confirmed, 1 never taken)\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("reuses confirmed by the operator:\n  2026120002 on 2 units: run "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("gaps:\n  2026120004 void: its message never left the tool (run "
                         "run-void, station A)\n  2026120005 never taken: the counter was set "
                         "from 0004 to 0006 (station A, bpconf-cli db set-counter)\n"),
              std::string::npos)
        << r.out;

    Sql(url_,
        "INSERT INTO units SELECT 'planted', started, ended, 'B', language, target, serial, 0,"
        " package_name, package_size, package_sha256, outcome, detail, version FROM units"
        " WHERE serial = '2026120003'");
    r = Cli("units --check --month 202612", home_, Station(url_, "A"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("duplicates (on two units, not confirmed as a reuse):\n  2026120003 on "
                         "2 units: run "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("; run planted (station B, "), std::string::npos) << r.out;
}

}  // namespace
}  // namespace bpconf

namespace bpconf::test {
namespace {

// The line's book under the contract every book keeps, each test in a database of its own.
class LineBook {
  public:
    LineBook() {
        const std::string name = std::string("bpconf_book_") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string lower;
        for (char c : name)
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        url_ = FreshDatabase(lower);
        if (url_.empty())
            return;
        if (!platform::InitLineDatabase(url_))
            ADD_FAILURE() << "db init failed";
        book_ = std::make_unique<platform::PgSerialBook>(platform::ConnectLineDatabase(url_));
    }
    platform::ISerialBook& Book() { return *book_; }
    std::string Missing() const {
        return url_.empty() ? "no private PostgreSQL server (BPCONF_TEST_DATABASE_URL unset)" : "";
    }

  private:
    std::string url_;
    std::unique_ptr<platform::PgSerialBook> book_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Line, SerialBookContract, LineBook);

}  // namespace
}  // namespace bpconf::test
