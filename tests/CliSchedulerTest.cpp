// bpconf-cli through the private scheduler: several queues, each printing to its own emulator.
#include <gtest/gtest.h>

#include <set>

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
        const auto sent = Decoded(q->Jobs(10));
        ASSERT_EQ(sent.size(), 10u) << q->name();
        EXPECT_EQ(sent[0], "OPEN");
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
    EXPECT_EQ(Decoded(queues[0]->Jobs(20)).size(), 20u);
    // The printer that is not there is refused before anything is sent: no serial number used.
    EXPECT_NE(r.out.find("[Line1] 2026120104 finished\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[Gone] - delivery failed\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("[Gone] 打印机监控升级工具: error 1801\n"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace bpconf
