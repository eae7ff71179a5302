#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "Doubles.h"
#include "FileModes.h"
#include "SerialBookContract.h"
#include "TestSupport.h"
#include "operator/OperatorTexts.h"
#include "operator/SystemLanguage.h"
#include "platform/Backends.h"
#include "platform/RegFileCounterStore.h"
#include "platform/SqliteDatabase.h"
#include "platform/SqliteUnitRecord.h"
#include "platform/StationSerialBook.h"
#include "transport/untFunction.h"

namespace bpconf::platform {
namespace {

namespace fs = std::filesystem;
using Kind = StoredValue::Kind;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

const std::string kKey = "[HKEY_CURRENT_USER\\SOFTWARE\\kelvor\\PrinterTest]";

TEST(CounterStore, ReadsTheStringValueOnly) {
    test::TempDir dir("counter");
    const struct {
        const char* what;
        std::string content;  // nothing written when empty
        Kind kind;
        const char* text;
    } cases[] = {
        {"missing file", "", Kind::Missing, ""},
        {"missing key",
         "Windows Registry Editor Version "
         "5.00\r\n\r\n[HKEY_CURRENT_USER\\Other]\r\n\"Num\"=\"0007\"\r\n",
         Kind::Missing, ""},
        {"missing value",
         "Windows Registry Editor Version 5.00\r\n\r\n" + kKey + "\r\n\"Other\"=\"1\"\r\n",
         Kind::Missing, ""},
        {"string",
         "Windows Registry Editor Version 5.00\r\n\r\n" + kKey + "\r\n\"Num\"=\"0003\"\r\n",
         Kind::Text, "0003"},
        {"name in any case",
         "Windows Registry Editor Version 5.00\n\n" + kKey + "\n\"nUM\"=\"12\"\n", Kind::Text,
         "12"},
        {"key in any case",
         "REGEDIT4\n\n[hkey_current_user\\software\\KELVOR\\printertest]\n\"Num\"=\"abc\"\n",
         Kind::Text, "abc"},
        {"blanks around the equals sign", "REGEDIT4\n" + kKey + "\n\"Num\" = \"0742\"\n",
         Kind::Text, "0742"},
        {"empty string", "REGEDIT4\n" + kKey + "\n\"Num\"=\"\"\n", Kind::Text, ""},
        {"escaped", "REGEDIT4\n" + kKey + "\n\"Num\"=\"a\\\"b\\\\c\"\n", Kind::Text, "a\"b\\c"},
        {"dword", "REGEDIT4\n" + kKey + "\n\"Num\"=dword:0000000c\n", Kind::NotAString, ""},
        {"hex", "REGEDIT4\n" + kKey + "\n\"Num\"=hex:30,00\n", Kind::NotAString, ""},
        {"expandable as hex", "REGEDIT4\n" + kKey + "\n\"Num\"=hex(2):30,00\n", Kind::NotAString,
         ""},
        {"value of another key",
         "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Num\"=\"5\"\n" + kKey + "\n\"X\"=\"1\"\n",
         Kind::Missing, ""},
        // Never taken for a missing value, which would start the counter again at 0001.
        {"blank file", "\r\n", Kind::Unreadable, ""},
        {"no registry export", kKey + "\n\"Num\"=\"0042\"\n", Kind::Unreadable, ""},
        {"value line cut short",
         "Windows Registry Editor Version 5.00\r\n\r\n" + kKey + "\r\n\"Num\"=\"0742",
         Kind::Unreadable, ""},
        {"junk after the value", "REGEDIT4\n" + kKey + "\n\"Num\"=\"0742\"x\n", Kind::Unreadable,
         ""},
        // Which of two values is the counter cannot be told.
        {"the value twice", "REGEDIT4\n" + kKey + "\n\"Num\"=\"0007\"\n\"num\"=\"0003\"\n",
         Kind::Unreadable, ""},
        {"UTF-16 without a byte-order mark", std::string("W\0i\0n\0", 6), Kind::Unreadable, ""},
    };
    int i = 0;
    for (const auto& c : cases) {
        const std::string path = dir / ("c" + std::to_string(++i) + ".reg");
        if (!c.content.empty())
            WriteFile(path, c.content);
        RegFileCounterStore store(path);
        const StoredValue v = store.Read();
        EXPECT_EQ(v.kind, c.kind) << c.what;
        EXPECT_EQ(v.text, c.text) << c.what;
    }
    WriteFile(dir / "empty.reg", "");
    EXPECT_EQ(RegFileCounterStore(dir / "empty.reg").Read().kind, Kind::Unreadable);
}

// A store reached through a symbolic link is changed where the link points, and locked there:
// two folders linking to one counter share it.
TEST(CounterStore, SymbolicLinkIsFollowedAndKept) {
    test::TempDir dir("counter");
    ASSERT_TRUE(RegFileCounterStore(dir / "shared.reg").Write("0042"));
    fs::create_directories(dir.path() / "a");
    fs::create_directories(dir.path() / "b");
    fs::create_symlink(dir.path() / "shared.reg", dir.path() / "a/PrinterTest.reg");
    fs::create_symlink(dir.path() / "shared.reg", dir.path() / "b/PrinterTest.reg");
    RegFileCounterStore a(dir / "a/PrinterTest.reg"), b(dir / "b/PrinterTest.reg");
    EXPECT_EQ(a.LockPath(), b.LockPath());
    ASSERT_TRUE(a.Write("0043"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "a/PrinterTest.reg"));
    EXPECT_EQ(b.Read().text, "0043");
}

TEST(CounterStore, FirstWriteCreatesFolderAndFileInRegistryExportForm) {
    test::TempDir dir("counter");
    RegFileCounterStore store(dir / "kelvor/PrinterTest.reg");
    ASSERT_TRUE(store.Write("0001"));
    EXPECT_EQ(ReadFile(dir / "kelvor/PrinterTest.reg"),
              "Windows Registry Editor Version 5.00\r\n\r\n" + kKey + "\r\n\"Num\"=\"0001\"\r\n");
    ASSERT_TRUE(store.Write("0002"));
    EXPECT_EQ(store.Read().text, "0002");
}

TEST(CounterStore, RewriteKeepsOtherKeysAndValuesAndReplacesTheNameInAnyCase) {
    test::TempDir dir("counter");
    const std::string path = dir / "p.reg";
    WriteFile(path,
              "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Other]\r\n"
              "\"Num\"=\"keep\"\r\n\r\n" +
                  kKey +
                  "\r\n\"Before\"=\"b\"\r\n\"num\"=dword:00000001\r\n"
                  "\"After\"=\"a\"\r\n\r\n[HKEY_CURRENT_USER\\Last]\r\n@=\"x\"\r\n");
    RegFileCounterStore store(path);
    ASSERT_TRUE(store.Write("0042"));
    EXPECT_EQ(ReadFile(path),
              "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Other]\r\n"
              "\"Num\"=\"keep\"\r\n\r\n" +
                  kKey +
                  "\r\n\"Before\"=\"b\"\r\n\"Num\"=\"0042\"\r\n"
                  "\"After\"=\"a\"\r\n\r\n[HKEY_CURRENT_USER\\Last]\r\n@=\"x\"\r\n");

    // A key without the value gets it after its last value line.
    WriteFile(path, "REGEDIT4\r\n" + kKey + "\r\n\"A\"=\"1\"\r\n\r\n[HKEY_CURRENT_USER\\B]\r\n");
    ASSERT_TRUE(store.Write("7"));
    EXPECT_EQ(ReadFile(path),
              "REGEDIT4\r\n" + kKey +
                  "\r\n\"A\"=\"1\"\r\n\"Num\"=\"7\"\r\n\r\n[HKEY_CURRENT_USER\\B]\r\n");
}

// The station's files are the user's own whatever the umask: folders 0700, the counter, its lock
// and the record 0600; a counter replaced keeps the mode it had.
TEST(StationFiles, OwnedByTheUserAloneWhateverTheUmask) {
    test::TempDir dir("files");
    const unsigned umaskBefore = test::SetUmask(0);
    StationSerialBook book(
        std::make_unique<RegFileCounterStore>(dir / "config/kelvor/PrinterTest.reg"),
        std::make_shared<SqliteDatabase>(dir / "data/bpconf/units.sqlite"));
    serials::TakenSerial taken;
    const bool ok = serials::SerialPolicy(book).Take({"202612", nullptr, "", "r", "S"}, taken).ok();
    test::SetUmask(umaskBefore);
    ASSERT_TRUE(ok);
    const struct {
        const char* path;
        int mode;
    } cases[] = {
        {"config/kelvor", 0700},
        {"config/kelvor/PrinterTest.reg", 0600},
        {"config/kelvor/PrinterTest.reg.lock", 0600},
        {"data/bpconf", 0700},
        {"data/bpconf/units.sqlite", 0600},
    };
    for (const auto& c : cases)
        EXPECT_EQ(test::ModeOf(dir / c.path), c.mode) << c.path;
    fs::permissions(dir / "config/kelvor/PrinterTest.reg", fs::perms(0444));
    ASSERT_TRUE(book.Counter().Write("0100"));
    EXPECT_EQ(test::ModeOf(dir / "config/kelvor/PrinterTest.reg"), 0444);
    EXPECT_EQ(book.ReadCounter().text, "0100");
}

// A lock file planted as a symbolic link (by another user, to make the tool create or lock a file
// of that user's choosing) is refused, and nothing is made where it points.
TEST(StationFiles, LockFileLinkIsNeverFollowed) {
    test::TempDir dir("files");
    RegFileCounterStore store(dir / "PrinterTest.reg");
    ASSERT_TRUE(store.Write("0005"));
    fs::remove(store.LockPath());
    fs::create_symlink(dir.path() / "victim", store.LockPath());
    const CounterChange change = store.Write("0006");
    EXPECT_EQ(change.failure, CounterChange::Failure::Unwritable);
    EXPECT_EQ(change.reason,
              "cannot open the lock file " + store.LockPath() + ": it is a symbolic link");
    EXPECT_FALSE(fs::exists(dir.path() / "victim"));
    EXPECT_EQ(store.Read().text, "0005");
}

// The station's book under the contract every book keeps.
struct StationBook {
    StationBook()
        : dir("book"),
          book(std::make_unique<RegFileCounterStore>(dir / "PrinterTest.reg"),
               std::make_shared<SqliteDatabase>(dir / "units.sqlite")) {}
    ISerialBook& Book() { return book; }
    std::string Missing() const { return ""; }
    test::TempDir dir;
    StationSerialBook book;
};

}  // namespace
}  // namespace bpconf::platform

namespace bpconf::test {
INSTANTIATE_TYPED_TEST_SUITE_P(Station, SerialBookContract, platform::StationBook);
}  // namespace bpconf::test

namespace bpconf::platform {
namespace {

// A ledger that cannot be written (here: another program holds the record's write lock past the
// bound) refuses the number before the counter moves, and the operator reads that the record
// is the problem.
TEST(StationSerialBook, LedgerThatCannotBeWrittenLeavesTheCounterAlone) {
    test::TempDir dir("book");
    StationSerialBook book(std::make_unique<RegFileCounterStore>(dir / "PrinterTest.reg"),
                           std::make_shared<SqliteDatabase>(dir / "units.sqlite", 200));
    ASSERT_TRUE(book.Counter().Write("0005"));
    SerialFacts facts;
    ASSERT_TRUE(book.Ledger().Find("2026120005", facts));  // the record is open and set up
    SqliteDatabase other(dir / "units.sqlite");
    ASSERT_TRUE(other.Begin(true, "lock"));
    serials::SerialPolicy policy(book);
    serials::TakenSerial taken;
    const serials::SerialProblem p = policy.Take({"202612", nullptr, "", "r", "S"}, taken);
    other.Rollback();
    EXPECT_EQ(p.kind, serials::SerialProblem::Kind::LedgerUnwritable);
    EXPECT_EQ(book.ReadCounter().text, "0005");
    EXPECT_EQ(
        op::SerialProblemText("english", p, book.CounterLocation(), book.LedgerLocation(), false),
        "The unit record " + (dir / "units.sqlite") + " cannot be written: cannot write to " +
            (dir / "units.sqlite") +
            ": database is locked. No serial number was sent; the update was stopped.");
    // Free again: the number is the one that was refused, never burnt.
    ASSERT_TRUE(policy.Take({"202612", nullptr, "", "r2", "S"}, taken));
    EXPECT_EQ(taken.serial, "2026120005");
}

TEST(CounterStore, UnwritableLocationFails) {
    test::TempDir dir("counter");
    WriteFile(dir / "file", "x");
    RegFileCounterStore store(dir / "file/sub/PrinterTest.reg");
    EXPECT_FALSE(store.Write("0001"));
}

// A writer killed between writing the new file and putting it in place leaves the old value.
TEST(CounterStoreDeathTest, KilledWriterLeavesTheOldValue) {
    // fork without re-running the test: the child dies inside the write and leaves no folder.
    GTEST_FLAG_SET(death_test_style, "fast");
    test::TempDir dir("counter");
    const std::string path = dir / "PrinterTest.reg";
    RegFileCounterStore store(path);
    ASSERT_TRUE(store.Write("0005"));
    EXPECT_DEATH(
        {
            store.SetBeforeReplaceHook([] { std::abort(); });
            store.Write("0006");
        },
        "");
    EXPECT_EQ(RegFileCounterStore(path).Read().text, "0005");
    EXPECT_TRUE(RegFileCounterStore(path).Write("0006"));
    EXPECT_EQ(RegFileCounterStore(path).Read().text, "0006");
}

TEST(CounterStore, DefaultPathFollowsXdgConfigHomeAndNeverFallsBackToTheCurrentFolder) {
    const struct {
        const char* xdg;
        const char* home;
        const char* path;  // nullptr: no store
    } cases[] = {
        {"/tmp/xdg", "/home/op", "/tmp/xdg/kelvor/PrinterTest.reg"},
        {nullptr, "/home/op", "/home/op/.config/kelvor/PrinterTest.reg"},
        {"", "/home/op", "/home/op/.config/kelvor/PrinterTest.reg"},
        {nullptr, nullptr, nullptr},
        {"relative/cfg", "/home/op", nullptr},
        {nullptr, "relative", nullptr},
    };
    for (const auto& c : cases) {
        test::ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        test::ScopedEnv home("HOME", c.home);
        std::string whyNot;
        const auto path = DefaultCounterFilePath(whyNot);
        if (c.path == nullptr) {
            EXPECT_FALSE(path) << *path;
            EXPECT_FALSE(whyNot.empty());
            const auto store = CreateSystemCounterStore();
            EXPECT_EQ(store->Read().kind, Kind::Unreadable);
            EXPECT_FALSE(store->Write("0001"));
        } else {
            EXPECT_EQ(path.value_or("<none>"), c.path);
        }
    }
}

TEST(CounterStore, StoreThatCannotBeReadIsToldApartFromAMissingOneAndNeverWritten) {
    test::TempDir dir("counter");
    fs::create_directories(dir.path() / "folder.reg");
    WriteFile(dir / "file", "x");
    ASSERT_EQ(std::system(("mkfifo '" + (dir / "fifo.reg") + "'").c_str()), 0);
    for (const std::string& path :
         {dir / "folder.reg", dir / "file/PrinterTest.reg", dir / "fifo.reg"}) {
        RegFileCounterStore store(path);
        const StoredValue v = store.Read();
        EXPECT_EQ(v.kind, Kind::Unreadable) << path;
        EXPECT_FALSE(v.reason.empty()) << path;
        bool asked = false;
        const CounterChange change = store.Change([&](const StoredValue&) {
            asked = true;
            return std::optional<std::string>("0001");
        });
        EXPECT_FALSE(change.ok()) << path;
        EXPECT_FALSE(asked) << path;
    }
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder.reg"));
    EXPECT_EQ(ReadFile(dir / "file"), "x");
}

TEST(CounterStore, RegistryEditorExportInUtf16IsRead) {
    test::TempDir dir("counter");
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("Windows Registry Editor Version 5.00\r\n\r\n" + kKey +
                              "\r\n\"Other\"=\"x\"\r\n\"Num\"=\"0123\"\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    WriteFile(dir / "export.reg", utf16);
    RegFileCounterStore store(dir / "export.reg");
    EXPECT_EQ(store.Read().text, "0123");
    // Rewritten in the tool's own form, the other value kept.
    ASSERT_TRUE(store.Write("0124"));
    EXPECT_EQ(ReadFile(dir / "export.reg"), "Windows Registry Editor Version 5.00\r\n\r\n" + kKey +
                                                "\r\n\"Other\"=\"x\"\r\n\"Num\"=\"0124\"\r\n");
}

TEST(CounterStore, ChangesFromManyThreadsAreNeverLost) {
    test::TempDir dir("counter");
    const std::string path = dir / "kelvor/PrinterTest.reg";
    ASSERT_TRUE(RegFileCounterStore(path).Write("100"));
    std::vector<std::thread> threads;
    std::mutex seenMutex;
    std::set<int> seen;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            RegFileCounterStore store(path);
            for (int i = 0; i < 25; ++i) {
                int taken = 0;
                const CounterChange change = store.Change([&](const StoredValue& v) {
                    taken = std::stoi(v.text);
                    return std::optional<std::string>(std::to_string(taken + 1));
                });
                EXPECT_TRUE(change.ok()) << change.reason;
                std::lock_guard<std::mutex> lock(seenMutex);
                EXPECT_TRUE(seen.insert(taken).second) << taken;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(RegFileCounterStore(path).Read().text, "300");
    EXPECT_EQ(seen.size(), 200u);
    // No temporary file is left beside the store.
    for (const auto& e : fs::directory_iterator(dir.path() / "kelvor"))
        EXPECT_TRUE(e.path().filename() == "PrinterTest.reg" ||
                    e.path().filename() == "PrinterTest.reg.lock")
            << e.path();
}

TEST(CounterStore, LockHeldPastTheBoundFailsAndChangesNothing) {
    test::TempDir dir("counter");
    const std::string path = dir / "PrinterTest.reg";
    RegFileCounterStore store(path, 200);
    ASSERT_TRUE(store.Write("0007"));
    {
        RegFileCounterStore other(path);
        test::HeldCounterLock held(other);
        const CounterChange change = store.Write("0008");
        EXPECT_EQ(change.failure, CounterChange::Failure::Locked);
        EXPECT_NE(change.reason.find("200 ms"), std::string::npos) << change.reason;
    }
    EXPECT_EQ(store.Read().text, "0007");
    EXPECT_TRUE(store.Write("0008"));
}

TEST(CounterStore, ChoiceThatThrowsWritesNothingAndReleasesTheLock) {
    test::TempDir dir("counter");
    RegFileCounterStore store(dir / "PrinterTest.reg", 200);
    ASSERT_TRUE(store.Write("0042"));
    EXPECT_THROW(store.Change([](const StoredValue&) -> std::optional<std::string> {
        throw std::runtime_error("no");
    }),
                 std::runtime_error);
    EXPECT_EQ(store.Read().text, "0042");
    EXPECT_TRUE(store.Write("0043"));
    // Nothing chosen: nothing written.
    EXPECT_TRUE(store.Change([](const StoredValue&) { return std::optional<std::string>(); }));
    EXPECT_EQ(store.Read().text, "0043");
}

TEST(Locale, LanguageIdsAndTheLanguageTheyGive) {
    const struct {
        const char* locale;
        const char* id;
        const char* language;
    } cases[] = {
        {"zh_CN.UTF-8", "0804", "CHINESE"}, {"zh_SG.UTF-8", "1004", "CHINESE"},
        {"zh_TW.UTF-8", "0404", "ENGLISH"}, {"zh_HK.UTF-8", "0C04", "ENGLISH"},
        {"zh_MO.UTF-8", "1404", "ENGLISH"}, {"zh", "0004", "CHINESE"},
        {"zh_CN", "0804", "CHINESE"},       {"zh_CN.GB18030", "0804", "CHINESE"},
        {"en_US.UTF-8", "0409", "ENGLISH"}, {"en_GB.UTF-8", "0809", "ENGLISH"},
        {"de_DE.UTF-8", "0407", "ENGLISH"}, {"de_DE.UTF-8@euro", "0407", "ENGLISH"},
        {"ja_JP.UTF-8", "0411", "ENGLISH"}, {"ko_KR.UTF-8", "0412", "ENGLISH"},
        {"C", "0409", "ENGLISH"},           {"POSIX", "0409", "ENGLISH"},
        {"C.UTF-8", "0409", "ENGLISH"},     {"zh_XX", "0004", "CHINESE"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LanguageIdForLocale(c.locale), c.id) << c.locale;
        EXPECT_EQ(op::GetSystemLanguage(LanguageIdForLocale(c.locale)), c.language) << c.locale;
    }
    EXPECT_EQ(op::GetSystemLanguage("garbage"), "ENGLISH");
    EXPECT_EQ(op::GetSystemLanguage(""), "ENGLISH");
}

TEST(Locale, EnvironmentOrderIsLcAllThenLcMessagesThenLang) {
    auto locale = CreateSystemLocale();
    test::ScopedEnv all("LC_ALL", "zh_CN.UTF-8");
    test::ScopedEnv messages("LC_MESSAGES", "de_DE.UTF-8");
    test::ScopedEnv lang("LANG", "ja_JP.UTF-8");
    EXPECT_EQ(locale->UserLanguageId(), "0804");
    {
        test::ScopedEnv noAll("LC_ALL", "");
        EXPECT_EQ(locale->UserLanguageId(), "0407");
        test::ScopedEnv noMessages("LC_MESSAGES", nullptr);
        EXPECT_EQ(locale->UserLanguageId(), "0411");
        test::ScopedEnv noLang("LANG", nullptr);
        EXPECT_EQ(locale->UserLanguageId(), "0409");
    }
}

TEST(CapturePrinter, AddsOnePrinterAndWritesNumberedJobFiles) {
    test::TempDir dir("capture");
    auto unreachable = std::make_unique<test::FixedPrinters>();
    unreachable->error = winerror::kServerUnavailable;
    auto printers = CreateCapturePrinterList(std::move(unreachable));
    // The capture printer is there even without a spooler, and the failure is still told.
    const PrinterListing listing = printers->List();
    EXPECT_EQ(listing.names, std::vector<std::string>{"bpconf-capture"});
    EXPECT_EQ(listing.defaultName, std::optional<std::string>("bpconf-capture"));
    EXPECT_EQ(listing.error, winerror::kServerUnavailable);

    auto spooler = CreateCaptureSpooler(std::make_unique<test::ScriptedSpooler>(),
                                        (dir.path() / "jobs").string());
    test::ScriptedPorts ports;
    test::RecordingBoxes boxes;
    TTransport transport(*spooler, ports, boxes);
    EXPECT_TRUE(transport.SendString(std::string("a\0b", 3), "bpconf-capture", "drive", ""));
    EXPECT_TRUE(transport.SendString("", "bpconf-capture", "drive", ""));
    EXPECT_TRUE(transport.SendString("c", "bpconf-capture", "drive", ""));
    EXPECT_EQ(ReadFile((dir.path() / "jobs/job-0001.bin").string()), std::string("a\0b", 3));
    EXPECT_EQ(ReadFile((dir.path() / "jobs/job-0002.bin").string()), "");
    EXPECT_EQ(ReadFile((dir.path() / "jobs/job-0003.bin").string()), "c");
    EXPECT_FALSE(fs::exists(dir.path() / "jobs/job-0004.bin"));
    EXPECT_TRUE(boxes.shown.empty());
}

// Port devices through the real POSIX back end, on a FIFO made for the test.
class PortDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        fifo_ = dir_ / "lpt";
        ASSERT_EQ(std::system(("mkfifo '" + fifo_ + "'").c_str()), 0);
    }
    test::TempDir dir_{"port"};
    std::string fifo_;
    std::unique_ptr<IPortDevices> devices_ = CreateSystemPortDevices();
    std::unique_ptr<ISpooler> spooler_ = std::make_unique<test::ScriptedSpooler>();
    test::RecordingBoxes boxes_;
    TTransport transport_{*spooler_, *devices_, boxes_};
};

TEST_F(PortDevice, BytesArriveInOrder) {
    // Opened for reading and writing, so the FIFO has a reader and never blocks this test.
    std::fstream reader(fifo_, std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE(reader.is_open());
    const std::string message = test::Bytes("1B 23 23 44 4C 53 46 03 00 00 0A FF");
    EXPECT_TRUE(transport_.SendString(message, "ignored", "lpt", fifo_));
    std::string got(message.size(), '?');
    reader.read(got.data(), static_cast<std::streamsize>(got.size()));
    EXPECT_EQ(test::Hex(got), test::Hex(message));
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(PortDevice, FifoWithoutReaderIsRefusedAtOnce) {
    EXPECT_FALSE(transport_.SendString("abc", "", "lpt", fifo_));
    EXPECT_EQ(boxes_.shown, std::vector<std::string>{"错误: " + PortErrorText(fifo_)});
}

TEST_F(PortDevice, MissingDeviceIsNeverCreated) {
    const std::string missing = dir_ / "nothing";
    EXPECT_FALSE(transport_.SendString("abc", "", "lpt", missing));
    EXPECT_EQ(boxes_.shown, std::vector<std::string>{"错误: 连接出错，端口" + missing +
                                                     "不存在或已被其它程序占用"});
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(PortDevice, DeviceHeldByAnotherWriterIsRefused) {
    std::fstream reader(fifo_, std::ios::in | std::ios::out | std::ios::binary);
    auto first = devices_->Open(fifo_);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(transport_.SendString("abc", "", "lpt", fifo_));
    EXPECT_EQ(boxes_.shown, std::vector<std::string>{"错误: " + PortErrorText(fifo_)});
    first.reset();
    EXPECT_TRUE(transport_.SendString("abc", "", "lpt", fifo_));
    std::string got(3, '?');
    reader.read(got.data(), 3);
    EXPECT_EQ(got, "abc");
}

TEST(PortNames, ParallelPortsNameTheirDevices) {
    EXPECT_EQ(PortDevicePath("LPT1"), "/dev/lp0");
    EXPECT_EQ(PortDevicePath("LPT2"), "/dev/lp1");
    EXPECT_EQ(PortDevicePath("LPT3"), "/dev/lp2");
    EXPECT_EQ(PortDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
}

}  // namespace
}  // namespace bpconf::platform
