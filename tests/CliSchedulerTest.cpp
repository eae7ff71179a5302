// bpconf-cli through the private scheduler: several queues, each printing to its own emulator.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>
#include <thread>

#include "CliSupport.h"
#include "SchedulerSupport.h"
#include "TestSupport.h"
#include "protocol/Decoder.h"

namespace bpconf {
namespace {

class CliScheduler : public test::SchedulerTestBase {};

std::vector<std::string> Decoded(const std::vector<std::string>& jobs) {
    std::vector<std::string> out;
    for (const auto& job : jobs) {
        for (const auto& m : protocol::Decode(job))
            out.push_back(protocol::Describe(m));
    }
    return out;
}

// Four printers in one run: each gets the whole run with a serial number of its own, and the
// summary names each target's serial number and result.
TEST_F(CliScheduler, ParallelRunOnFourQueues) {
    std::vector<std::unique_ptr<test::EmulatedQueue>> queues;
    std::string targets;
    for (int i = 1; i <= 4; ++i) {
        queues.push_back(std::make_unique<test::EmulatedQueue>("Line" + std::to_string(i)));
        ASSERT_TRUE(queues.back()->ok());
        targets += " --printer Line" + std::to_string(i);
    }
    test::TempDir home("cli");
    test::WriteCounter(home, "0100");
    auto r = test::Cli("run --no-pacing --set serial.month=202612" + targets, home,
                       test::PrivateSchedulerEnv());
    EXPECT_EQ(r.status, 0) << r.err;

    std::set<std::string> serials;
    for (auto& q : queues) {
        const auto sent = Decoded(q->Jobs(11));
        ASSERT_EQ(sent.size(), 11u) << q->name();  // ten messages and the delivery check
        EXPECT_EQ(sent[0], "OPEN");
        EXPECT_EQ(sent[10], "PROBE");
        EXPECT_EQ(sent[7].rfind("STSN \"2026120", 0), 0u) << sent[7];
        serials.insert(sent[7].substr(6, 10));
        // Its status lines carry its name; its summary its serial number.
        EXPECT_NE(r.out.find("[" + q->name() + "] [5/20] Aging time:300s\n"), std::string::npos);
        EXPECT_NE(r.out.find("[" + q->name() + "] " + sent[7].substr(6, 10) + " finished\n"),
                  std::string::npos)
            << r.out;
    }
    EXPECT_EQ(serials,
              (std::set<std::string>{"2026120100", "2026120101", "2026120102", "2026120103"}));
    EXPECT_EQ(test::Slurp(test::CounterFile(home)).find("\"Num\"=\"0104\"") != std::string::npos,
              true);

    // One target that is no printer: the others still get their runs; the exit status is the
    // worst of all, and its summary says so.
    r = test::Cli("run --no-pacing --set serial.month=202612 --printer Line1 --printer Gone", home,
                  test::PrivateSchedulerEnv());
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(Decoded(queues[0]->Jobs(22)).size(), 22u);
    // The printer that is not there is refused before anything is sent: no serial number used.
    EXPECT_NE(r.out.find("[Line1] 2026120104 finished\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[Gone] - delivery failed\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("[Gone] 打印机监控升级工具: error 1801\n"), std::string::npos) << r.err;
}

// Jobs of the queue that could still go out later: none may be left behind by a failed run.
std::vector<std::string> WaitingJobs(const std::string& queue) {
    std::vector<std::string> waiting;
    for (const auto& job : test::ListSpoolerJobs(queue)) {
        if (job.Active())
            waiting.push_back(std::to_string(job.id) + " " + job.state);
    }
    return waiting;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// A printer that fails the ways a real Bluetooth printer does: the run ends at the message that
// did not arrive, says so once, leaves no job in the queue, and nothing of it reaches the printer
// when it comes back.
TEST_F(CliScheduler, PrinterFailuresEndTheRunAtTheFailingMessage) {
    test::PrinterFaults refuse, neverRead, closeAfter10;
    refuse.refuse = true;
    neverRead.neverRead = true;
    closeAfter10.closeAfter = 10;
    const struct {
        const char* what;
        test::PrinterFaults faults;
        std::size_t stopAfterJobs;  // a healthy printer that goes away after this many jobs
        std::size_t arrived;        // jobs that reached the printer, whole or cut
    } cases[] = {
        {"refusing connections", refuse, 0, 0},
        {"accepting and never reading", neverRead, 0, 1},
        {"closing after 10 bytes", closeAfter10, 0, 2},
        {"stopped mid-run", {}, 3, 3},
    };
    for (const auto& c : cases) {
        test::EmulatedQueue line("Line1", false, c.faults);
        ASSERT_TRUE(line.ok()) << c.what;
        std::thread stopper;
        if (c.stopAfterJobs > 0) {
            stopper = std::thread([&] {
                line.printer().WaitForJobs(c.stopAfterJobs, 60000);
                line.StopPrinter();
            });
        }
        test::TempDir home("cli");
        test::WriteCounter(home, "0042");
        const auto r = test::Cli("run --no-pacing --printer Line1 --job-timeout 2", home,
                                 test::PrivateSchedulerEnv());
        if (stopper.joinable())
            stopper.join();
        EXPECT_EQ(r.status, 3) << c.what << "\n" << r.out << r.err;
        EXPECT_EQ(Count(r.err, "打印机监控升级工具: error "), 1u) << c.what << "\n" << r.err;
        EXPECT_NE(r.out.find("Update failed: the printer did not get every setting (error "),
                  std::string::npos)
            << c.what << "\n"
            << r.out;
        EXPECT_EQ(Count(r.out, "not delivered: "), 1u) << c.what << "\n" << r.out;
        EXPECT_EQ(r.out.find("End of update"), std::string::npos) << c.what;
        EXPECT_EQ(WaitingJobs("Line1"), std::vector<std::string>()) << c.what;
        EXPECT_LE(line.printer().Jobs().size(), c.stopAfterJobs > 0 ? 4u : c.arrived) << c.what;

        // The printer comes back: nothing of the failed run reaches it.
        const std::size_t before = line.printer().Jobs().size();
        ASSERT_TRUE(line.RestartPrinter()) << c.what;
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        EXPECT_EQ(line.printer().Jobs().size(), before) << c.what;
    }
}

// A queue that is stopped or refuses jobs is told before anything is sent: no serial number used.
TEST_F(CliScheduler, QueueThatCannotPrintIsRefusedBeforeTheRun) {
    for (const char* command : {"cupsdisable", "cupsreject"}) {
        test::EmulatedQueue line("Line1");
        ASSERT_TRUE(line.ok());
        ASSERT_EQ(std::system((std::string(command) + " Line1").c_str()), 0);
        test::TempDir home("cli");
        test::WriteCounter(home, "0042");
        const std::string counter = test::Slurp(test::CounterFile(home));
        const auto r =
            test::Cli("run --no-pacing --printer Line1", home, test::PrivateSchedulerEnv());
        EXPECT_EQ(r.status, 3) << command;
        EXPECT_EQ(r.err, "打印机监控升级工具: error 1906\n") << command;
        EXPECT_NE(r.out.find("Update not started: the printer queue cannot print (error 1906)"),
                  std::string::npos)
            << command << "\n"
            << r.out;
        EXPECT_EQ(test::Slurp(test::CounterFile(home)), counter) << command;
        EXPECT_TRUE(test::ListSpoolerJobs("Line1").empty()) << command;
    }
}

// A line that cannot be used is found before the first byte: no job reaches the scheduler.
TEST_F(CliScheduler, LineThatCannotBeUsedSendsNoJob) {
    test::EmulatedQueue line("Line1");
    ASSERT_TRUE(line.ok());
    test::TempDir home("cli");
    const struct {
        std::string url;
        int status;
    } cases[] = {{"host=" + (home / "no-socket") + " dbname=line", 1},
                 {"postgresq://line-db/bpconf_line", 2}};
    for (const auto& c : cases) {
        const auto r = test::Cli("run --no-pacing --printer Line1", home,
                                 test::PrivateSchedulerEnv() + " BPCONF_STATION=A " +
                                     "BPCONF_DATABASE_URL='" + c.url + "'");
        EXPECT_EQ(r.status, c.status) << c.url << "\n" << r.err;
        EXPECT_TRUE(test::ListSpoolerJobs("Line1").empty()) << c.url;
        EXPECT_TRUE(line.printer().Jobs().empty()) << c.url;
        EXPECT_FALSE(std::filesystem::exists(test::CounterFile(home))) << c.url;
    }
}

// Jobs already waiting in the queue (a failed run's, anyone's) would go out to the next unit:
// the run does not start until they are gone.
TEST_F(CliScheduler, QueueWithWaitingJobsIsRefusedBeforeTheRun) {
    test::EmulatedQueue line("Line1");
    ASSERT_TRUE(line.ok());
    ASSERT_EQ(std::system("echo x | lp -d Line1 -H hold >/dev/null"), 0);
    test::TempDir home("cli");
    auto r = test::Cli("run --no-pacing --printer Line1", home, test::PrivateSchedulerEnv());
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "打印机监控升级工具: error 1906\n");
    EXPECT_NE(r.out.find("Update not started: the printer queue cannot print (error 1906)"),
              std::string::npos);
    ASSERT_EQ(std::system("cancel -a Line1"), 0);
    r = test::Cli("run --no-pacing --printer Line1", home, test::PrivateSchedulerEnv());
    EXPECT_EQ(r.status, 0) << r.err;
}

// A queue that starts refusing jobs in the middle of the run: the number of the refusal (1906)
// everywhere, in the box, the status text and the not-delivered line.
TEST_F(CliScheduler, QueueRefusingJobsDuringTheRun) {
    test::PrinterFaults slow;
    slow.stallMsPerByte = 30;
    test::EmulatedQueue line("Line1", false, slow);
    ASSERT_TRUE(line.ok());
    std::thread refuser([&] {
        line.printer().WaitForJobs(2, 60000);
        std::system("cupsreject Line1");
    });
    test::TempDir home("cli");
    const auto r = test::Cli("run --no-pacing --printer Line1", home, test::PrivateSchedulerEnv());
    refuser.join();
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_EQ(r.err, "打印机监控升级工具: error 1906\n");
    EXPECT_NE(r.out.find("Update failed: the printer did not get every setting (error 1906)"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("(error 1906: the printer queue is stopped, paused or refuses jobs"),
              std::string::npos)
        << r.out;
}

// Ctrl+C or SIGTERM during a run: the run stops like a closed window's, and nothing of it stays
// in the queue to go out later.
TEST_F(CliScheduler, StoppedRunLeavesNoJobBehind) {
    test::PrinterFaults slow;
    slow.stallMsPerByte = 100;
    test::EmulatedQueue line("StopMe", false, slow);
    ASSERT_TRUE(line.ok());
    std::thread stopper([&] {
        line.printer().WaitForJobs(2, 60000);
        // The tool itself, not the shell that started it.
        std::system("pkill -TERM -f '^" BPCONF_CLI " run --printer StopMe'");
    });
    test::TempDir home("cli");
    const auto r = test::Cli("run --printer StopMe", home, test::PrivateSchedulerEnv());
    stopper.join();
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.out.find("End of update"), std::string::npos);
    EXPECT_EQ(WaitingJobs("StopMe"), std::vector<std::string>());
}

// A slow printer within the bound: the run waits for it and finishes; beyond the bound it fails.
TEST_F(CliScheduler, SlowPrinterWithinAndBeyondTheBound) {
    test::PrinterFaults slow;
    slow.stallMsPerByte = 5;
    test::EmulatedQueue line("Line1", false, slow);
    ASSERT_TRUE(line.ok());
    test::TempDir home("cli");
    auto r = test::Cli("run --no-pacing --printer Line1", home, test::PrivateSchedulerEnv());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("[20/20] End of update \n"), std::string::npos) << r.out;
    EXPECT_EQ(line.Jobs(11).size(), 11u);

    test::PrinterFaults slower;
    slower.stallMsPerByte = 400;
    ASSERT_TRUE(line.RestartPrinter(slower));
    r = test::Cli("run --no-pacing --printer Line1 --job-timeout 1", home,
                  test::PrivateSchedulerEnv());
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("not delivered: OPEN (error 1460: the job did not reach the printer in "
                         "time"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(WaitingJobs("Line1"), std::vector<std::string>());
}

// The queue deleted in the middle of a run: the next message cannot be handed over.
TEST_F(CliScheduler, QueueDeletedDuringTheRun) {
    test::PrinterFaults slow;
    slow.stallMsPerByte = 30;  // each job takes a quarter of a second at the printer
    test::EmulatedQueue line("Line1", false, slow);
    ASSERT_TRUE(line.ok());
    std::thread remover([&] {
        line.printer().WaitForJobs(2, 60000);
        std::system("lpadmin -x Line1");
    });
    test::TempDir home("cli");
    const auto r = test::Cli("run --no-pacing --printer Line1", home, test::PrivateSchedulerEnv());
    remover.join();
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_EQ(Count(r.err, "打印机监控升级工具: error "), 1u) << r.err;
    EXPECT_NE(r.err.find("error 1801"), std::string::npos) << r.err;
    EXPECT_LT(line.printer().Jobs().size(), 10u);
}

// A scheduler of the test's own (scripts/print-server), stopped and removed with the object.
class OwnScheduler {
  public:
    explicit OwnScheduler(const std::string& options = "") {
        const std::string dir = test::RunCommand("mktemp -d /tmp/bpconf-own-cups.XXXXXX");
        folder_ = dir.substr(0, dir.find('\n'));
        const std::string socket =
            test::RunCommand("'" + Script() + "' start '" + folder_ + "' " + options);
        socket_ = socket.substr(0, socket.find('\n'));
    }
    ~OwnScheduler() {
        Stop();
        std::system(("rm -rf '" + folder_ + "'").c_str());
    }
    bool ok() const { return !socket_.empty(); }
    void Stop() { std::system(("'" + Script() + "' stop '" + folder_ + "'").c_str()); }
    // The environment of a command that uses this scheduler.
    std::string Env() const { return "CUPS_SERVER='" + socket_ + "'"; }
    // Adds a raw queue printing to the emulator.
    bool AddQueue(const std::string& name, const test::TcpJobServer& printer) const {
        return std::system((Env() + " lpadmin -p " + name +
                            " -v socket://127.0.0.1:" + std::to_string(printer.Port()) + " -E")
                               .c_str()) == 0;
    }

  private:
    static std::string Script() { return BPCONF_SOURCE_DIR "/scripts/print-server"; }
    std::string folder_, socket_;
};

// The scheduler itself stopped during a run, and afterwards: error 1722 wherever it is needed.
TEST_F(CliScheduler, SchedulerStoppedDuringTheRun) {
    OwnScheduler scheduler;
    ASSERT_TRUE(scheduler.ok());
    const std::string own = scheduler.Env();
    test::TcpJobServer printer;
    test::PrinterFaults slow;
    slow.stallMsPerByte = 30;
    ASSERT_TRUE(printer.Start(0, slow));
    ASSERT_TRUE(scheduler.AddQueue("Own", printer));
    std::thread stopper([&] {
        printer.WaitForJobs(2, 60000);
        scheduler.Stop();
    });
    test::TempDir home("cli");
    auto r = test::Cli("run --no-pacing --printer Own", home, own);
    stopper.join();
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_NE(r.err.find("打印机监控升级工具: error 1722\n"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("not delivered: "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("End of update"), std::string::npos) << r.out;

    r = test::Cli("printers", home, own);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("error 1722: the print spooler cannot be reached"), std::string::npos);
    std::ofstream(home / "p.bin") << "x";
    r = test::Cli("send --printer Own '" + (home / "p.bin") + "'", home, own);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "打印机监控升级工具: error 1722\n");
}

// A scheduler that forgets every job the moment it ends (PreserveJobHistory No, as busy print
// servers are set up): a job that completed and was forgotten at once is not taken for one that
// was cancelled.
TEST_F(CliScheduler, SchedulerWithoutJobHistory) {
    OwnScheduler scheduler("--no-job-history");
    ASSERT_TRUE(scheduler.ok());
    test::TcpJobServer printer;
    ASSERT_TRUE(printer.Start());
    ASSERT_TRUE(scheduler.AddQueue("Forgetful", printer));
    test::TempDir home("cli");
    const auto r = test::Cli("run --no-pacing --printer Forgetful", home, scheduler.Env());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("[20/20] End of update \n"), std::string::npos) << r.out;
    printer.WaitForJobs(11, 60000);
    const auto sent = Decoded(printer.Jobs());
    ASSERT_EQ(sent.size(), 11u);
    EXPECT_EQ(sent[7], "STSN \"" + sent[7].substr(6, 10) + "\"");
    EXPECT_EQ(sent[10], "PROBE");
    // The scheduler kept none of them: each was judged without its history.
    EXPECT_EQ(test::RunCommand(scheduler.Env() + " LANG=C lpstat -W all -o Forgetful"), "");
}

// The link drops inside a message (the emulator takes so many bytes of the run, then nothing):
// the spooler reports that job completed, yet the run is not "finished", and the serial number is
// not claimed to be on the unit unless a later job got through after its message.
TEST_F(CliScheduler, LinkCutInsideAMessage) {
    test::TempDir package("pkg");
    const std::string packageFile = package / "self-test.bin";
    std::ofstream(packageFile, std::ios::binary) << std::string(2000, '\x41');
    // 90 bytes of the ten messages before the self-test page (2,009 bytes); 65 bytes reach
    // into the serial number's 18.
    const struct {
        const char* what;
        std::size_t closeAfter;
        const char* says;
        const char* neverSays;
    } cases[] = {
        {"1,000 bytes into the self-test page", 1090,
         "Update not confirmed: the printer may not have got the last setting whole",
         "End of update"},
        {"10 bytes into the serial number", 65, "may have reached the printer: it stays reserved",
         "this unit has serial number"},
    };
    for (const auto& c : cases) {
        test::PrinterFaults cut;
        cut.closeAfter = c.closeAfter;
        test::EmulatedQueue line("Line1", false, cut);
        ASSERT_TRUE(line.ok()) << c.what;
        test::TempDir home("cli");
        const auto r = test::Cli(
            "run --no-pacing --printer Line1 --job-timeout 3 --set "
            "self_test.send=yes --package '" +
                packageFile + "'",
            home, test::PrivateSchedulerEnv());
        EXPECT_EQ(r.status, 3) << c.what << "\n" << r.out << r.err;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.what << "\n" << r.out;
        EXPECT_EQ(r.out.find(c.neverSays), std::string::npos) << c.what << "\n" << r.out;
        EXPECT_EQ(r.out.find(" finished\n"), std::string::npos) << c.what << "\n" << r.out;
        const auto units = test::Cli("units --format json", home);
        EXPECT_EQ(units.out.find("\"finished\""), std::string::npos) << c.what << units.out;
        EXPECT_NE(units.out.find("\"outcome\""), std::string::npos) << c.what << units.out;
        EXPECT_EQ(WaitingJobs("Line1"), std::vector<std::string>()) << c.what;
    }
}

// A job left half-made by a killed run (created, never given its data) would go out to the next
// unit: the next run names it and says how to cancel it, and runs once it is gone.
TEST_F(CliScheduler, JobLeftIncompleteByAKilledRunIsNamed) {
    test::EmulatedQueue line("Line1");
    ASSERT_TRUE(line.ok());
    const int id = test::CreateIncompleteJob("Line1");
    ASSERT_GT(id, 0);
    const std::string job = "Line1-" + std::to_string(id);
    test::TempDir home("cli");
    test::WriteCounter(home, "0042");
    const std::string counter = test::Slurp(test::CounterFile(home));
    auto r = test::Cli("run --no-pacing --printer Line1", home, test::PrivateSchedulerEnv());
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_NE(r.out.find("Update not started: the printer queue cannot print (error 1906): jobs "
                         "still in the queue would go out to this unit: " +
                         job + " \"Printer Test\" ("),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(", never handed over whole). Cancel them first: cancel " + job + "\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(test::Slurp(test::CounterFile(home)), counter);  // no number used
    EXPECT_TRUE(line.printer().Jobs().empty());
    ASSERT_EQ(std::system(("cancel " + job).c_str()), 0);
    r = test::Cli("run --no-pacing --printer Line1", home, test::PrivateSchedulerEnv());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

}  // namespace
}  // namespace bpconf
