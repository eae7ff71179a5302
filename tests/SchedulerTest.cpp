#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "Doubles.h"
#include "SchedulerSupport.h"
#include "TestSupport.h"
#include "platform/Backends.h"
#include "transport/untFunction.h"

namespace bpconf {
namespace {

using test::Bytes;

class Scheduler : public test::SchedulerTestBase {
  protected:
    std::unique_ptr<platform::IPrinterList> printers_ = platform::CreateSystemPrinterList();
    std::unique_ptr<platform::ISpooler> spooler_ = platform::CreateSystemSpooler();
    std::unique_ptr<platform::IPortDevices> ports_ = platform::CreateSystemPortDevices();
    test::RecordingBoxes boxes_;
    TTransport transport_{*spooler_, *ports_, boxes_};
};

// Jobs the scheduler holds for the queue, once every one of them has left the queue.
std::vector<test::SpoolerJob> SettledJobs(const std::string& queue, std::size_t count) {
    for (int i = 0; i < 600; ++i) {
        auto jobs = test::ListSpoolerJobs(queue);
        bool settled = jobs.size() >= count;
        for (const auto& j : jobs)
            settled = settled && j.state != "pending" && j.state != "processing";
        if (settled)
            return jobs;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return test::ListSpoolerJobs(queue);
}

TEST_F(Scheduler, SendBytesDeliversExactlyTheBytesAsOneJobNamedPrinterTest) {
    test::EmulatedQueue queue("Line1");
    ASSERT_TRUE(queue.ok());
    const std::string message = Bytes("1B 23 23 53 4C 41 4E 00 00 FF 0A 0D 1A 00");
    EXPECT_TRUE(transport_.SendBytes(THfByteList::FromString(message), "Line1", "drive", "LPT1"));
    const auto jobs = queue.Jobs(1);
    for (const auto& job : jobs)
        EXPECT_EQ(test::Hex(job), test::Hex(message));
    ASSERT_EQ(jobs.size(), 1u);
    const auto spooled = SettledJobs("Line1", 1);
    ASSERT_EQ(spooled.size(), 1u);
    EXPECT_EQ(spooled[0].title, "Printer Test");
    EXPECT_EQ(spooled[0].state, "completed");
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(Scheduler, SeveralSendsArriveAsSeparateJobsInOrder) {
    test::EmulatedQueue queue("Line1");
    ASSERT_TRUE(queue.ok());
    const std::vector<std::string> messages = {
        Bytes("1D 45 43 01"), Bytes("1B 23 23 53 54 44 50 1C"), Bytes("1B 23 23 45 44 43 44 00"),
        std::string(3000, '\x55')};
    for (const auto& m : messages)
        EXPECT_TRUE(transport_.SendString(m, "Line1", "DRIVE", ""));
    const auto jobs = queue.Jobs(messages.size());
    ASSERT_EQ(jobs.size(), messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i)
        EXPECT_EQ(jobs[i], messages[i]) << i;
    const auto spooled = SettledJobs("Line1", messages.size());
    ASSERT_EQ(spooled.size(), messages.size());
    for (const auto& j : spooled)
        EXPECT_EQ(j.title, "Printer Test");
}

TEST_F(Scheduler, EmptyListStillMakesOneJob) {
    test::EmulatedQueue queue("Line1");
    ASSERT_TRUE(queue.ok());
    EXPECT_TRUE(transport_.SendBytes(THfByteList(), "Line1", "drive", ""));
    const auto spooled = SettledJobs("Line1", 1);
    ASSERT_EQ(spooled.size(), 1u);
    EXPECT_EQ(spooled[0].title, "Printer Test");
    // Whatever reached the printer holds no byte.
    queue.printer().WaitUntilQuiet(500, 5000);
    for (const auto& job : queue.printer().Jobs())
        EXPECT_EQ(job, "");
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(Scheduler, UnknownPrinterGivesError1801AndNoJob) {
    test::EmulatedQueue queue("Line1");
    ASSERT_TRUE(queue.ok());
    EXPECT_FALSE(transport_.SendString("abc", "NoSuchPrinter", "drive", ""));
    EXPECT_FALSE(transport_.SendString("abc", "", "drive", ""));
    EXPECT_EQ(boxes_.shown, (std::vector<std::string>{"打印机监控升级工具: error 1801",
                                                      "打印机监控升级工具: error 1801"}));
    EXPECT_TRUE(test::ListSpoolerJobs("Line1").empty());
    EXPECT_TRUE(queue.printer().Jobs().empty());
}

TEST_F(Scheduler, PortPathIgnoresThePrinterName) {
    test::EmulatedQueue queue("Line1");
    ASSERT_TRUE(queue.ok());
    EXPECT_FALSE(transport_.SendString("abc", "Line1", "lpt", "/nonexistent/lpt"));
    EXPECT_EQ(boxes_.shown.size(), 1u);
    EXPECT_TRUE(test::ListSpoolerJobs("Line1").empty());
}

std::vector<std::string> LpstatPrinters() {
    std::istringstream lines(test::RunCommand("LANG=C lpstat -p"));
    std::vector<std::string> names;
    std::string word, name;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream l(line);
        if (l >> word >> name && word == "printer")
            names.push_back(name);
    }
    return names;
}

std::optional<std::string> LpstatDefault() {
    const std::string out = test::RunCommand("LANG=C lpstat -d");
    const std::string prefix = "system default destination: ";
    if (out.rfind(prefix, 0) != 0)
        return std::nullopt;
    return out.substr(prefix.size(), out.find('\n') - prefix.size());
}

TEST_F(Scheduler, PrinterListAndDefaultMatchLpstat) {
    EXPECT_TRUE(printers_->List().names.empty());
    EXPECT_EQ(printers_->List().defaultName, std::nullopt);

    test::EmulatedQueue zeta("zeta"), alpha("Alpha"), mid("Mid_2");
    ASSERT_TRUE(zeta.ok() && alpha.ok() && mid.ok());
    EXPECT_EQ(printers_->List().names, LpstatPrinters());
    EXPECT_EQ(printers_->List().names.size(), 3u);
    EXPECT_EQ(printers_->List().defaultName, LpstatDefault());

    ASSERT_EQ(std::system("lpadmin -d Mid_2"), 0);
    EXPECT_EQ(printers_->List().defaultName, std::optional<std::string>("Mid_2"));
    EXPECT_EQ(LpstatDefault(), std::optional<std::string>("Mid_2"));
}

}  // namespace
}  // namespace bpconf
