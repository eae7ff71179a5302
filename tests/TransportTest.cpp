#include <gtest/gtest.h>

#include "Doubles.h"
#include "TestSupport.h"
#include "platform/WindowsJobStatus.h"
#include "transport/untFunction.h"

namespace bpconf {
namespace {

using test::Bytes;

class TransportUnit : public ::testing::Test {
  protected:
    test::ScriptedSpooler spooler;
    test::ScriptedPorts ports;
    test::RecordingBoxes boxes;
    TTransport transport{spooler, ports, boxes};
};

TEST_F(TransportUnit, ConnectionKindChoosesThePathAndIgnoresTheOtherName) {
    const struct {
        const char* kind;
        bool driver;
    } kinds[] = {{"drive", true},   {"DRIVE", true},   {"Drive", true},
                 {"dRiVe", true},   {"lpt", false},    {"", false},
                 {"driver", false}, {" drive", false}, {"LPT", false}};
    for (const auto& k : kinds) {
        spooler.log.clear();
        ports.opened.clear();
        EXPECT_TRUE(transport.SendString("x", "P1", k.kind, "LPT1")) << k.kind;
        if (k.driver) {
            EXPECT_EQ(spooler.log.front(), "Open P1") << k.kind;
            EXPECT_TRUE(ports.opened.empty()) << k.kind;
        } else {
            EXPECT_TRUE(spooler.log.empty()) << k.kind;
            EXPECT_EQ(ports.opened, std::vector<std::string>{"LPT1"}) << k.kind;
        }
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TransportUnit, OneJobWithEveryStageInOrderAndTheWholeMessageInOneWrite) {
    const std::string message = Bytes("1B 23 23 45 44 43 44 00");
    EXPECT_TRUE(transport.SendString(message, "P1", "drive", ""));
    EXPECT_EQ(spooler.log,
              (std::vector<std::string>{"Open P1", "StartDoc Printer Test RAW", "StartPage",
                                        "Write " + message, "EndPage", "EndDoc", "Close"}));
}

TEST_F(TransportUnit, UnopenedPrinterGivesTheErrorNumberAndSendsNothing) {
    spooler.openError = 1801;
    EXPECT_FALSE(transport.SendString("x", "NoSuchPrinter", "drive", ""));
    EXPECT_EQ(spooler.log, std::vector<std::string>{"Open NoSuchPrinter"});
    EXPECT_EQ(boxes.shown, std::vector<std::string>{"打印机监控升级工具: error 1801"});
    EXPECT_EQ(transport.FailedDeliveries(), 1);
}

// A failure after the printer was opened is reported once, with the first error, and every
// later stage still runs.
TEST_F(TransportUnit, FailuresAfterOpenAreReportedOncePerMessage) {
    spooler.failAt = {{"Write", 59}, {"EndDoc", 31}};
    EXPECT_FALSE(transport.SendString("ab", "P1", "DRIVE", ""));
    EXPECT_EQ(spooler.log.size(), 7u);
    EXPECT_EQ(spooler.log.back(), "Close");
    EXPECT_EQ(boxes.shown, std::vector<std::string>{"打印机监控升级工具: error 59"});
    EXPECT_FALSE(transport.SendString("ab", "P1", "DRIVE", ""));
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(transport.FailedDeliveries(), 2);
}

// A delivery that failed may still have bytes at the printer: from a document begun on (every
// later stage runs), or from the first byte written to a port. The serial number such a message
// carried is then never voided. A job the spooler numbered before a later stage failed is
// cancelled, so it cannot go out later.
TEST(TransportDelivery, BytesMayHaveLeftOnceTheDocumentWasBegun) {
    const struct {
        const char* stage;  // the failing stage; "" for none, "port N" for a port failing at N
        bool handedOver, mayHaveLeft, cancelled;
    } cases[] = {
        {"", true, true, false},           {"Open", false, false, false},
        {"StartDoc", false, false, false}, {"Write", false, true, false},
        {"EndDoc", false, true, false},    {"Close", false, true, true},
        {"port 0", false, false, false},   {"port 2", false, true, false},
    };
    for (const auto& c : cases) {
        test::ScriptedSpooler spooler;
        test::ScriptedPorts ports;
        test::RecordingBoxes boxes;
        TTransport transport(spooler, ports, boxes);
        const std::string stage = c.stage;
        Delivery d;
        if (stage.rfind("port ", 0) == 0) {
            ports.failAfter = std::stoi(stage.substr(5));
            d = transport.SendString("abc", "", "lpt", "LPT1");
        } else {
            if (stage == "Open")
                spooler.openError = 1801;
            else if (!stage.empty())
                spooler.failAt = {{stage, 31}};
            spooler.jobId = 7;
            d = transport.SendString("abc", "P1", "drive", "");
        }
        EXPECT_EQ(d.handedOver, c.handedOver) << c.stage;
        EXPECT_EQ(d.MayHaveLeft(), c.mayHaveLeft) << c.stage;
        const bool cancelled = !spooler.log.empty() && spooler.log.back() == "Cancel P1 7";
        EXPECT_EQ(cancelled, c.cancelled) << c.stage;
    }
}

TEST_F(TransportUnit, EmptyMessages) {
    EXPECT_TRUE(transport.SendBytes(THfByteList(), "P1", "drive", ""));
    EXPECT_EQ(spooler.log[3], "Write ");
    EXPECT_TRUE(transport.SendBytes(THfByteList(), "", "lpt", "LPT1"));
    EXPECT_EQ(ports.written["LPT1"], "");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TransportUnit, PortErrorNamesThePortAndWritesNothing) {
    EXPECT_FALSE(transport.SendString("abc", "P1", "lpt", "LPT9"));
    EXPECT_EQ(boxes.shown,
              std::vector<std::string>{"错误: 连接出错，端口LPT9不存在或已被其它程序占用"});
    EXPECT_TRUE(ports.written.empty());
    EXPECT_TRUE(spooler.log.empty());
}

TEST_F(TransportUnit, PortWriteFailureIsReportedOnceAndTheRestIsNotWritten) {
    ports.failAfter = 2;
    EXPECT_FALSE(transport.SendString(Bytes("01 02 03 04 05"), "", "lpt", "LPT1"));
    EXPECT_EQ(test::Hex(ports.written["LPT1"]), "01 02");
    EXPECT_EQ(boxes.shown, std::vector<std::string>{"打印机监控升级工具: error 1117"});
}

TEST_F(TransportUnit, ZeroBytesAreData) {
    const std::string message("\0\0a\0", 4);
    EXPECT_TRUE(transport.SendString(message, "", "lpt", "LPT1"));
    EXPECT_EQ(ports.written["LPT1"], message);
}

// What the Windows spooler's job flags mean for a run.
TEST(WindowsJobStatus, FlagsGiveTheJobState) {
    using namespace platform::jobstatus;
    using Kind = platform::JobState::Kind;
    const struct {
        std::uint32_t status;
        std::uint32_t queueError;
        Kind kind;
        std::uint32_t error;
    } cases[] = {
        {kPrinted, 0, Kind::Done, 0},
        {kComplete | kPrinting, 1906, Kind::Done, 0},
        {kDeleting, 0, Kind::Failed, 63},
        {kDeleted | kPrinted, 0, Kind::Done, 0},
        {kError | kPrinting, 0, Kind::Failed, 1117},
        {kPaperOut, 0, Kind::Stopped, 28},
        {kOffline | kPrinting, 0, Kind::Stopped, 21},
        {kBlockedDevq, 0, Kind::Stopped, 1906},
        {kUserIntervention, 0, Kind::Stopped, 1906},
        {kPaused, 0, Kind::Stopped, 1906},
        {kSpooling, 0, Kind::Queued, 0},
        {0, 0, Kind::Queued, 0},
        {kPrinting, 0, Kind::Printing, 0},
        {0, 1906, Kind::Stopped, 1906},
    };
    for (const auto& c : cases) {
        const auto s = platform::JobStateFromWindowsStatus(c.status, "text", c.queueError);
        EXPECT_EQ(s.kind, c.kind) << std::hex << c.status;
        EXPECT_EQ(s.error, c.error) << std::hex << c.status;
    }
}

TEST(TransportBoxes, WarningAndErrorCaptions) {
    test::ScriptedSpooler spooler;
    test::ScriptedPorts ports;
    test::RecordingBoxes boxes;
    TTransport transport(spooler, ports, boxes);
    transport.ShowWarning("更新文件有问题！！");
    transport.ShowError("x");
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{"警告: 更新文件有问题！！", "错误: x"}));
}

}  // namespace
}  // namespace bpconf
