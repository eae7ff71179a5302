// No serial number ever reaches two units: many processes and threads stamping from one counter
// store at once, processes killed at random moments, and stores that cannot be used.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "CliSupport.h"
#include "TestSupport.h"
#include "operator/Design.h"
#include "operator/FormModel.h"
#include "operator/OperatorWindow.h"
#include "platform/Backends.h"
#include "platform/MemorySpooler.h"
#include "platform/RegFileCounterStore.h"
#include "platform/SqliteDatabase.h"
#include "platform/SqliteStatement.h"
#include "platform/StationSerialBook.h"
#include "protocol/Decoder.h"
#include "serials/SerialNumber.h"

namespace bpconf {
namespace {

namespace fs = std::filesystem;
using test::Cli;
using test::Duplicates;
using test::StampedSerials;

// The window's own logic on a thread: the in-memory window, the capture printer writing into
// jobs, the counter file and the record shared with everything else.
class WindowLogicRuns {
  public:
    WindowLogicRuns(const std::string& counterPath, const std::string& recordPath,
                    const std::string& jobs)
        : book_(std::make_unique<platform::RegFileCounterStore>(counterPath),
                std::make_shared<platform::SqliteDatabase>(recordPath)),
          printers_(platform::CreateCapturePrinterList(std::make_unique<test::FixedPrinters>())),
          spooler_(
              platform::CreateCaptureSpooler(std::make_unique<platform::MemorySpooler>(), jobs)),
          transport_(*spooler_, ports_, boxes_),
          window_(form_, op::Services{*printers_, transport_, book_, locale_, clock_, boxes_,
                                      dialog_, pacer_, nullptr}) {
        op::ApplyDesign(form_);
        window_.FormCreate();
    }
    op::RunEnd Press() { return window_.Button3Click(); }
    void Close() { window_.FormClose(); }
    const std::vector<std::string>& Boxes() const { return boxes_.shown; }

  private:
    class Locale : public platform::ILocale {
      public:
        std::string UserLanguageId() override { return "0409"; }
    };
    class Clock : public platform::IClock {
      public:
        platform::LocalDateTime Now() override { return {2026, 12, 7, 10, 0, 0}; }
    };

    platform::StationSerialBook book_;
    std::unique_ptr<platform::IPrinterList> printers_;
    std::unique_ptr<platform::ISpooler> spooler_;
    test::ScriptedPorts ports_;
    test::RecordingBoxes boxes_;
    Locale locale_;
    Clock clock_;
    op::NoPacing pacer_;
    platform::NoFileDialog dialog_;
    TTransport transport_;
    op::FormModel form_;
    op::OperatorWindow window_;
};

// Runs a bash script written into the folder; its exit status.
int Bash(const test::TempDir& home, const std::string& script) {
    const std::string file = home / "script.sh";
    std::ofstream(file) << script << "\n";
    const int raw = std::system(("bash '" + file + "'").c_str());
    return raw == -1 ? -1 : (raw >> 8) & 0xFF;
}

std::string CounterFileLock(const test::TempDir& home) {
    return test::CounterFile(home) + ".lock";
}

// Runs `runs` default updates one after another in a background shell; returns its command.
// A bash script: `processes` command lines in the background, each running `runs` default
// updates one after another, then waiting for them all.
std::string CliLoops(const test::TempDir& home, const std::string& jobs, int processes, int runs) {
    std::string all;
    for (int p = 0; p < processes; ++p) {
        all += "(for i in $(seq " + std::to_string(runs) + "); do CUPS_SERVER='" +
               test::NoScheduler() + "' XDG_CONFIG_HOME='" + home.path().string() +
               "' XDG_DATA_HOME='" + home.path().string() +
               "' '" BPCONF_CLI "' run --no-pacing --capture '" + jobs +
               "' --set serial.month=202612 >/dev/null 2>>'" + (home / "errors") + "'; done) & ";
    }
    return all + "wait";
}

// Exactly the 200 serial numbers 0100 … 0299 of December 2026, each on one unit, and the store
// ready for 0300.
void ExpectTwoHundredFrom0100(const test::TempDir& home, const std::string& jobs) {
    const auto serials = StampedSerials(jobs);
    EXPECT_EQ(serials.size(), 200u);
    EXPECT_EQ(Duplicates(serials), std::vector<std::string>());
    EXPECT_EQ(serials.begin()->first, "2026120100");
    EXPECT_EQ(serials.rbegin()->first, "2026120299");
    EXPECT_EQ(platform::RegFileCounterStore(test::CounterFile(home)).Read().text, "0300");
    EXPECT_EQ(test::Slurp(home / "errors"), "");
}

TEST(SerialCounter, EightProcessesOf25RunsStampTwoHundredDistinctNumbers) {
    test::TempDir home("serial");
    test::WriteCounter(home, "0100");
    const std::string jobs = home / "jobs";
    ASSERT_EQ(Bash(home, CliLoops(home, jobs, 8, 25)), 0);
    ExpectTwoHundredFrom0100(home, jobs);
    // Every job of every run arrived, none overwritten by another writer.
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(jobs))
        files += e.path().extension() == ".bin" ? 1 : 0;
    EXPECT_EQ(files, 2000u);
}

TEST(SerialCounter, WindowLogicAndCommandLineTogetherStampDistinctNumbers) {
    test::TempDir home("serial");
    test::WriteCounter(home, "0100");
    const std::string jobs = home / "jobs";
    std::thread processes([&] { EXPECT_EQ(Bash(home, CliLoops(home, jobs, 4, 25)), 0); });
    std::vector<std::thread> windows;
    std::vector<std::vector<std::string>> boxes(4);
    for (int w = 0; w < 4; ++w) {
        windows.emplace_back([&, w] {
            WindowLogicRuns window(test::CounterFile(home), home / "bpconf/units.sqlite", jobs);
            for (int i = 0; i < 25; ++i)
                EXPECT_EQ(window.Press(), op::RunEnd::Normal);
            window.Close();
            boxes[static_cast<std::size_t>(w)] = window.Boxes();
        });
    }
    for (auto& t : windows)
        t.join();
    processes.join();
    // Closing the windows (none edited its box) never rolled the store back.
    ExpectTwoHundredFrom0100(home, jobs);
    for (const auto& b : boxes)
        EXPECT_EQ(b, std::vector<std::string>());
}

// The numbers the station's ledger still holds reserved: each is a run killed after it took its
// number and before it settled it; -1 when the ledger cannot be read.
std::int64_t ReservedInLedger(const std::string& path) {
    platform::SqliteDatabase db(path, 30000, true);
    if (!db.Open())
        return -1;
    platform::SqliteStatement count(db, "SELECT count(*) FROM serials WHERE state = 'reserved'");
    constexpr int kRow = 100;  // SQLite: a row is ready
    return count.ok() && count.Step() == kRow ? count.Int(0) : -1;
}

// kill -9 at moments spread over a whole run: a gap in the serial numbers may appear, a duplicate
// never, and the store always holds a number past every one stamped. The kills that landed
// between a number's reservation and its settling are counted: the test fails when none did, as
// it would then not have tried the case that matters.
TEST(SerialCounter, KilledAtRandomMomentsNeverStampsANumberTwice) {
    test::TempDir home("serial");
    test::WriteCounter(home, "0001");
    const std::string jobs = home / "jobs";
    const std::string env = "CUPS_SERVER='" + test::NoScheduler() + "' XDG_CONFIG_HOME='" +
                            home.path().string() + "' XDG_DATA_HOME='" + home.path().string() +
                            "' ";
    const std::string run = "'" BPCONF_CLI "' run --no-pacing --capture '" + jobs + "'";
    // How long a whole run takes here and now: the kills fall anywhere inside it.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Cli("run --no-pacing --capture '" + jobs + "'", home).status, 0);
    const auto runMs =
        std::max<long long>(20, std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - started)
                                    .count());
    std::mt19937 random(std::random_device{}());
    for (int i = 0; i < 40; ++i) {
        const long long delayUs = static_cast<long long>(random() % (runMs * 1000));
        ASSERT_EQ(Bash(home, env + run + " >/dev/null 2>&1 & pid=$!; sleep " +
                                 std::to_string(delayUs / 1000000.0) +
                                 "; kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null; true"),
                  0);
    }
    // And twice at the moment that matters most, whatever the machine's speed: the number is on
    // the unit, not yet settled.
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(Bash(home, test::KillAfterTheStamp(
                                 env + "'" BPCONF_CLI "' run --capture '" + jobs + "'", jobs)),
                  0);
    }
    const std::int64_t landed = ReservedInLedger(home / "bpconf/units.sqlite");
    EXPECT_GE(landed, 2) << "fewer kills landed between a reservation and its settling";
    // A last whole run from the store the killed ones left.
    ASSERT_EQ(Cli("run --no-pacing --capture '" + jobs + "'", home).status, 0);

    const auto serials = StampedSerials(jobs);
    EXPECT_EQ(Duplicates(serials), std::vector<std::string>());
    const platform::StoredValue stored =
        platform::RegFileCounterStore(test::CounterFile(home)).Read();
    ASSERT_EQ(stored.kind, platform::StoredValue::Kind::Text);
    const auto next = serials::ParseCounter(stored.text);
    ASSERT_TRUE(next) << stored.text;
    for (const auto& [serial, units] : serials)
        EXPECT_LT(std::stoi(serial.substr(6)), *next) << serial;
}

// The store cannot be used: it is found before the first byte, the operator is told, the store
// stays as it was.
TEST(SerialCounter, StoreThatCannotBeUsedStopsTheRunBeforeTheFirstByte) {
    const bool root = test::Slurp("/proc/self/status").find("\nUid:\t0\t") != std::string::npos;
    // Permissions bind only an unprivileged user: as root, the tool runs as "nobody".
    const std::string asUser = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const struct {
        const char* what;
        std::string prepare;  // shell commands, run in the home folder
        std::string says;
    } cases[] = {
        {"unreadable file", "chmod 000 kelvor/PrinterTest.reg",
         "cannot be read: Permission denied"},
        {"read-only folder", "chmod 555 kelvor", "cannot be stored: Permission denied"},
        {"folder in place of the file", "rm kelvor/PrinterTest.reg && mkdir kelvor/PrinterTest.reg",
         "cannot be read: Is a directory"},
        {"lock held past the bound",
         "flock kelvor/PrinterTest.reg.lock sleep 60 >/dev/null 2>&1 </dev/null & "
         "echo $! >holder.pid; sleep 0.3",
         "is held by another program"},
        // The new value could not be made durable: the change is not done.
        {"a folder that cannot be flushed", "chmod 333 kelvor",
         "/kelvor to flush it: Permission denied"},
        {"no lock file and a folder that cannot be written",
         "rm kelvor/PrinterTest.reg.lock && chmod 555 kelvor", "cannot open the lock file"},
    };
    for (const auto& c : cases) {
        test::TempDir home("serial");
        test::WriteCounter(home, "0042");
        const std::string jobs = home / "jobs";
        fs::create_directories(jobs);
        // The unprivileged user may write the jobs and the record and read the folders.
        fs::create_directories(home / "bpconf");
        ASSERT_EQ(std::system(("chmod 755 '" + home.path().string() + "' && chmod 777 '" + jobs +
                               "' '" + (home / "bpconf") + "' && touch '" + CounterFileLock(home) +
                               "' && chmod 666 '" + CounterFileLock(home) + "'")
                                  .c_str()),
                  0);
        ASSERT_EQ(Bash(home, "cd '" + home.path().string() + "' || exit 1\n" + c.prepare), 0)
            << c.what;
        const std::string before = fs::is_regular_file(test::CounterFile(home))
                                       ? test::Slurp(test::CounterFile(home))
                                       : std::string("<not a file>");
        const std::string out = home / "out", err = home / "err";
        const int raw =
            std::system(("cd / && " + asUser + "env XDG_CONFIG_HOME='" + home.path().string() +
                         "' XDG_DATA_HOME='" + home.path().string() +
                         "' LANG=C LC_ALL= '" BPCONF_CLI "' run --no-pacing --capture '" + jobs +
                         "' >'" + out + "' 2>'" + err + "'")
                            .c_str());
        EXPECT_EQ((raw >> 8) & 0xFF, 1) << c.what << "\n" << test::Slurp(err);
        EXPECT_NE(test::Slurp(err).find(c.says), std::string::npos) << c.what << "\n"
                                                                    << test::Slurp(err);
        // Found before the first byte: nothing at all was sent.
        EXPECT_NE(test::Slurp(err).find("Nothing was sent; the update was stopped."),
                  std::string::npos)
            << c.what;
        EXPECT_FALSE(fs::exists(jobs + "/job-0001.bin")) << c.what;
        EXPECT_EQ(fs::is_regular_file(test::CounterFile(home))
                      ? test::Slurp(test::CounterFile(home))
                      : std::string("<not a file>"),
                  before)
            << c.what;
        // The lock's holder (flock and its sleep) ends with its case.
        std::system(("cd '" + home.path().string() +
                     "' && [ -f holder.pid ] && pkill -P \"$(cat holder.pid)\"; "
                     "chmod -R u+rwx . 2>/dev/null; true")
                        .c_str());
    }
}

}  // namespace
}  // namespace bpconf
