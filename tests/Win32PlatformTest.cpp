// The Windows back end, run under wine (or on Windows) against the real registry, locale,
// spooler and port devices.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Doubles.h"
#include "TestSupport.h"
#include "platform/AnsiText.h"
#include "platform/Backends.h"
#include "transport/Errors.h"
#include "transport/untFunction.h"

namespace bpconf::platform {
namespace {

const char* const kKey = "HKCU\\SOFTWARE\\kelvor\\PrinterTest";

int Reg(const std::string& args) {
    return std::system(("reg " + args + " >NUL 2>NUL").c_str());
}

class Win32Registry : public ::testing::Test {
  protected:
    void SetUp() override { Reg(std::string("delete ") + kKey + " /f"); }
    void TearDown() override { Reg(std::string("delete ") + kKey + " /f"); }
    std::unique_ptr<ICounterStore> store_ = CreateSystemCounterStore();
};

TEST_F(Win32Registry, MissingValue) {
    EXPECT_EQ(store_->Read().kind, StoredValue::Kind::Missing);
}

TEST_F(Win32Registry, StringValue) {
    ASSERT_EQ(Reg(std::string("add ") + kKey + " /v Num /t REG_SZ /d 12 /f"), 0);
    const StoredValue v = store_->Read();
    EXPECT_EQ(v.kind, StoredValue::Kind::Text);
    EXPECT_EQ(v.text, "12");
}

TEST_F(Win32Registry, NumberValueIsNotAString) {
    ASSERT_EQ(Reg(std::string("add ") + kKey + " /v Num /t REG_DWORD /d 12 /f"), 0);
    EXPECT_EQ(store_->Read().kind, StoredValue::Kind::NotAString);
}

TEST_F(Win32Registry, ValueNameMatchesWithoutRegardToCase) {
    ASSERT_EQ(Reg(std::string("add ") + kKey + " /v nUM /t REG_SZ /d 0042 /f"), 0);
    EXPECT_EQ(store_->Read().text, "0042");
    ASSERT_TRUE(store_->Write("0043"));
    EXPECT_EQ(store_->Read().text, "0043");
}

TEST_F(Win32Registry, WriteCreatesTheKeyAndAStringValue) {
    ASSERT_TRUE(store_->Write("0001"));
    const StoredValue v = store_->Read();
    EXPECT_EQ(v.kind, StoredValue::Kind::Text);
    EXPECT_EQ(v.text, "0001");
    EXPECT_EQ(Reg(std::string("query ") + kKey + " /v Num"), 0);
}

// The named mutex keeps changes from several threads (and processes) apart: none is lost.
TEST_F(Win32Registry, ConcurrentChangesAreNeverLost) {
    ASSERT_TRUE(store_->Write("100"));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            auto store = CreateSystemCounterStore();
            for (int i = 0; i < 25; ++i) {
                EXPECT_TRUE(store->Change([](const StoredValue& v) {
                    return std::optional<std::string>(std::to_string(std::stoi(v.text) + 1));
                }));
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(store_->Read().text, "200");
}

// Run once per locale by the wine script, which names the expected ID.
TEST(Win32Locale, LanguageIdOfTheUser) {
    const char* expected = std::getenv("BPCONF_EXPECTED_LANGUAGE_ID");
    if (expected == nullptr)
        GTEST_SKIP() << "BPCONF_EXPECTED_LANGUAGE_ID not set";
    EXPECT_EQ(CreateSystemLocale()->UserLanguageId(), expected);
}

TEST(Win32Spooler, UnknownPrinterIsError1801) {
    std::uint32_t error = 0;
    EXPECT_EQ(CreateSystemSpooler()->Open("NoSuchPrinter", error), nullptr);
    EXPECT_EQ(error, 1801u);
}

// What GetJob tells of a job, for a queue whose printer takes it (BPCONF_WINE_QUEUE) and for one
// whose device fails (BPCONF_WINE_DEAD_QUEUE); both named by the wine script.
TEST(Win32Spooler, JobStatesFromGetJob) {
    const char* live = std::getenv("BPCONF_WINE_QUEUE");
    const char* dead = std::getenv("BPCONF_WINE_DEAD_QUEUE");
    if (live == nullptr || dead == nullptr)
        GTEST_SKIP() << "BPCONF_WINE_QUEUE and BPCONF_WINE_DEAD_QUEUE not set";
    auto spooler = CreateSystemSpooler();
    auto ports = CreateSystemPortDevices();
    test::RecordingBoxes boxes;
    TTransport transport(*spooler, *ports, boxes);
    for (const char* queue : {live, dead}) {
        const Delivery d = transport.SendString("x", queue, "drive", "");
        ASSERT_TRUE(d) << queue;
        EXPECT_GT(d.jobId, 0) << queue;
        JobState state;
        for (int i = 0; i < 100; ++i) {
            state = transport.Follow(d);
            if (state.Arrived() || state.Lost())
                break;
            SleepMilliseconds(100);
        }
        // The job that printed is done. Wine hands every job to its host's spooler at once
        // and forgets it, so a job on the failing queue reads as done too: the states of a
        // failing device (JOB_STATUS_ERROR, OFFLINE, …) only a real Windows spooler shows;
        // their meaning is the table of WindowsJobStatus.FlagsGiveTheJobState.
        if (queue == std::string(live)) {
            EXPECT_TRUE(state.Arrived()) << queue;
        }
    }
}

TEST(Win32Ports, ParallelPortWithoutDeviceGivesThePortError) {
    auto ports = CreateSystemPortDevices();
    auto spooler = CreateSystemSpooler();
    test::RecordingBoxes boxes;
    TTransport transport(*spooler, *ports, boxes);
    EXPECT_FALSE(transport.SendString("abc", "", "lpt", "LPT1"));
    EXPECT_EQ(boxes.shown,
              std::vector<std::string>{"错误: 连接出错，端口LPT1不存在或已被其它程序占用"});
}

TEST(Win32Files, MissingFileNamesFileAndSystemReason) {
    test::TempDir dir("win32");
    THfByteList list = THfByteList::FromString("keep");
    const std::string missing = dir / "missing.bin";
    try {
        list.LoadFromFile(missing);
        ADD_FAILURE() << "loaded";
    } catch (const FileOpenError& e) {
        const std::string prefix = "Cannot open file \"" + missing + "\". ";
        EXPECT_EQ(std::string(e.what()).substr(0, prefix.size()), prefix);
        EXPECT_GT(std::string(e.what()).size(), prefix.size());
    }
    EXPECT_EQ(list.ToString(), "keep");
}

TEST(Win32Text, CodePagesOfTheNameCommand) {
    EXPECT_EQ(test::Hex(Utf8ToCodePage("中文", "CP936")), "D6 D0 CE C4");
    EXPECT_EQ(test::Hex(Utf8ToCodePage("café", "CP1252")), "63 61 66 E9");
    EXPECT_EQ(CodePageToUtf8(test::Bytes("D6 D0 CE C4"), "CP936"), "中文");
}

}  // namespace
}  // namespace bpconf::platform
