#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>

#include "CliSupport.h"
#include "StampTable.h"
#include "TestSupport.h"
#include "WindowHarness.h"
#include "serials/SerialNumber.h"
#include "ui/LogPane.h"

namespace bpconf {
namespace {

using test::WindowHarness;
using Strings = std::vector<std::string>;

std::string Str(const QString& s) {
    return s.toStdString();
}

class Run : public ::testing::Test {
  protected:
    template <typename T>
    T* W(const char* name) {
        T* w = h_.Form().findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Tick(const char* box, bool on) { W<QAbstractButton>(box)->setChecked(on); }
    void SetEdit(op::Control edit, const std::string& text) { h_.Form().SetText(edit, text); }
    std::string Status() { return h_.Form().Text(op::ctl::StatusPanel1); }

    // Presses "开始更新" and returns the status texts seen at each pause.
    Strings Press() {
        h_.Form();
        h_.progress_.clear();
        Strings statuses;
        auto during = h_.pacer_.duringPause;
        h_.pacer_.duringPause = [&, during](std::size_t n) {
            statuses.push_back(Status());
            if (during)
                during(n);
        };
        QTest::mouseClick(W<QPushButton>("Button3"), Qt::LeftButton);
        h_.pacer_.duringPause = during;
        return statuses;
    }
    Strings Sent() { return h_.spooler_.Decoded(); }
    std::string Counter() { return Str(W<QLineEdit>("txtUpdateNo")->text()); }
    std::string Units() { return Str(W<QLineEdit>("txtUpdateOverNum")->text()); }

    std::string WritePackage(const std::string& name, const std::string& bytes) {
        const std::string path = h_.dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    void LoadPackage(const std::string& path) {
        h_.dialog_.next = path;
        QTest::mouseClick(W<QPushButton>("Button1"), Qt::LeftButton);
    }
    std::string Memo() { return Str(W<ui::LogPane>("Memo1")->toPlainText()); }

    WindowHarness h_;
};

std::vector<int> Range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i)
        v.push_back(i);
    return v;
}

TEST_F(Run, DefaultSettingsSendTenMessagesAsTenJobs) {
    const auto statuses = Press();
    EXPECT_EQ(Sent(), (Strings{"OPEN", "STDP 28", "BDIT 300", "LFCH 0A", "EDCD 1", "BLSP 1",
                               "CHTY 82", "STSN \"2026120001\"", "SBCV 2800", "BTLK 1"}));
    ASSERT_EQ(h_.spooler_.MessageJobs(), 10u);
    for (const auto& job : h_.spooler_.kept)
        EXPECT_EQ(job.destination, "Line1");
    auto progress = Range(1, 15);
    progress.push_back(20);
    EXPECT_EQ(h_.progress_, progress);
    EXPECT_EQ(Counter(), "0002");
    EXPECT_EQ(Units(), "1");
    std::vector<int> pauses(13, 500);
    pauses.push_back(5000);
    EXPECT_EQ(h_.pacer_.pauses, pauses);
    EXPECT_EQ(statuses,
              (Strings{"启动更新....", "是否更新默认字库代码", "更新打印浓度",
                       "更新老化时间为：300秒", "更新换行指令为：0A", "更新加密模式为开启",
                       "更新加密模式下的条码标记检测模式开启", "更新待机时间为：1800秒",
                       "更新字体模式为：等宽", "更新字体模式为：等宽", "置黑标传感器的值为:2800",
                       "开启强连接模式开启", "开启强连接模式开启", "开启强连接模式开启"}));
    EXPECT_EQ(Status(), "更新结束");
    EXPECT_TRUE(W<QPushButton>("Button3")->isEnabled());
    EXPECT_TRUE(h_.boxes_.shown.empty());
}

TEST_F(Run, EveryBoxUntickedStillSendsFiveMessages) {
    h_.Form();
    for (const char* box : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5",
                            "CheckBox6", "CheckBox7", "CheckBox8", "CheckBox9", "CheckBox10",
                            "CheckBox11", "CheckBox12", "CheckBox13", "chkUpdateNo"}) {
        Tick(box, false);
    }
    W<QComboBox>("ComboBox2")->setCurrentIndex(1);
    Press();
    EXPECT_EQ(Sent(), (Strings{"OPEN", "LFCH 0A", "EDCD 0", "BLSP 0", "BTLK 0"}));
    auto progress = Range(1, 13);
    progress.push_back(20);
    EXPECT_EQ(h_.progress_, progress);
    EXPECT_EQ(Counter(), "0001");
    EXPECT_EQ(Units(), "0");
}

TEST_F(Run, EveryBoxTickedWithAPackage) {
    h_.Form();
    for (const char* box : {"CheckBox1", "CheckBox5", "CheckBox8", "CheckBox10", "CheckBox11"}) {
        Tick(box, true);
    }
    SetEdit(op::ctl::Edit1, " Line-7 ");
    W<QComboBox>("ComboBox2")->setCurrentIndex(1);
    W<QComboBox>("ComboBox3")->setCurrentIndex(1);
    W<QComboBox>("cboNewCom")->setCurrentIndex(7);
    W<QComboBox>("cboLanage")->setCurrentIndex(0);
    LoadPackage(WritePackage("p.bin", std::string(100, '\x41')));
    Press();
    EXPECT_EQ(Sent(), (Strings{"OPEN", "SLAN 0", "STDP 28", "BDIT 300", "LFCH 0D", "EDCD 1",
                               "BLSP 1", "SPTI 1800", "CHTY 81", "STSN \"2026120001\"", "SBCV 2800",
                               "BTLK 1", "DLSF new 100 bytes", "SBDR 115200", "BTRN \"Line-7\""}));
    EXPECT_EQ(h_.spooler_.MessageJobs(), 15u);
    EXPECT_EQ(h_.progress_, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                                              17, 18, 20}));
    // The self-test message carries its length bytes in front of the package.
    EXPECT_EQ(h_.spooler_.kept[12].bytes.substr(0, 9), std::string("\x1B##DLSF\x64\x00", 9));
}

TEST_F(Run, LineFeedFollowsTheBoxAndTheList) {
    h_.Form();
    W<QComboBox>("ComboBox2")->setCurrentIndex(1);
    Tick("CheckBox9", false);
    Press();
    EXPECT_EQ(Sent()[3], "LFCH 0A");
    h_.spooler_.kept.clear();
    Tick("CheckBox9", true);
    Press();
    EXPECT_EQ(Sent()[3], "LFCH 0D");
}

TEST_F(Run, NameOfBlanksOnlySendsNothingButStillAdvancesAndPauses) {
    h_.Form();
    Tick("CheckBox5", true);
    SetEdit(op::ctl::Edit1, "    ");
    const auto statuses = Press();
    EXPECT_EQ(Sent().size(), 10u);
    EXPECT_EQ(statuses.back(), "开启强连接模式开启");
    EXPECT_EQ(h_.pacer_.pauses.size(), 14u);
    EXPECT_EQ(h_.progress_[h_.progress_.size() - 2], 15);
}

// A control character inside the name would send a command of its own inside the name message:
// the run refuses the name before anything is sent.
TEST_F(Run, ControlCharacterInsideThePrinterNameIsRefused) {
    h_.Form();
    Tick("CheckBox5", true);
    SetEdit(op::ctl::Edit1, std::string(" A\x1B##STSN\x02") + "20 ");
    Press();
    EXPECT_TRUE(h_.spooler_.kept.empty());
    EXPECT_EQ(
        h_.boxes_.shown,
        Strings{"错误: 打印机名称“A<1B>##STSN<02>20”中含有控制字符，不能发送。本次更新已停止。"});
    EXPECT_EQ(Counter(), "0001");
    EXPECT_TRUE(W<QPushButton>("Button3")->isEnabled());
}

TEST_F(Run, PrinterNameGoesOutInTheAnsiCodePage) {
    h_.toAnsi = [](const std::string& utf8) {
        return utf8 == "中文" ? std::string("\xD6\xD0\xCE\xC4") : utf8;
    };
    h_.Form();
    Tick("CheckBox5", true);
    SetEdit(op::ctl::Edit1, "中文");
    Press();
    EXPECT_EQ(h_.spooler_.kept[h_.spooler_.MessageJobs() - 1].bytes,
              std::string("\x1B##BTRN\x04\xD6\xD0\xCE\xC4"));
    EXPECT_EQ(Status(), "更新结束");
}

TEST_F(Run, NameThatCannotBeConvertedEndsTheRunInTheStandardErrorBox) {
    // No converter to the ANSI code page on this system: the name is not sent, and the operator
    // reads why.
    h_.toAnsi = [](const std::string&) -> std::string {
        throw std::runtime_error("Text cannot be converted to code page CP1251: Invalid argument");
    };
    h_.Form();
    Tick("CheckBox5", true);
    SetEdit(op::ctl::Edit1, "Принтер");
    Press();
    EXPECT_EQ(h_.boxes_.shown,
              Strings{"打印机监控升级工具! Text cannot be converted to code page CP1251: Invalid "
                      "argument."});
    for (const std::string& message : Sent())
        EXPECT_NE(message.rfind("BTRN", 0), 0u) << message;
    EXPECT_TRUE(W<QPushButton>("Button3")->isEnabled());
}

TEST_F(Run, SelfTestWithoutPackageSendsTheHeaderAlone) {
    h_.Form();
    Tick("CheckBox8", true);
    const auto statuses = Press();
    EXPECT_EQ(Sent().back(), "DLSF new 0 bytes");
    EXPECT_EQ(h_.spooler_.kept[h_.spooler_.MessageJobs() - 1].bytes,
              std::string("\x1B##DLSF\x00\x00", 9));
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "初使化自检测信息"), statuses.end());
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "开始更新打印机自检测信息"),
              statuses.end());
}

TEST_F(Run, OldHeaderWhenTheHiddenRadioButtonIsSelected) {
    h_.Form();
    Tick("CheckBox8", true);
    Tick("RadioButton1", true);
    Press();
    EXPECT_EQ(Sent().back(), "DLSF old 0 bytes");
}

TEST_F(Run, LargestPayloadIsSentAndOneByteMoreEndsTheRun) {
    h_.Form();
    Tick("CheckBox8", true);
    Tick("CheckBox10", true);
    LoadPackage(WritePackage("max.bin", std::string(4094, '\x5A')));
    Press();
    EXPECT_EQ(h_.spooler_.kept[10].bytes.size(), 4103u);
    EXPECT_EQ(h_.spooler_.kept[10].bytes.substr(7, 2), "\xFE\x0F");
    EXPECT_EQ(Sent().back(), "SBDR 38400");

    // One byte more is refused before the first byte (mended: the design refused it after the
    // first block of the run had reached the unit).
    h_.spooler_.kept.clear();
    LoadPackage(WritePackage("over.bin", std::string(4095, '\x5A')));
    Press();
    EXPECT_EQ(Sent(), Strings{});
    EXPECT_EQ(h_.boxes_.shown, Strings{"警告: 更新文件有问题！！"});
    EXPECT_EQ(h_.progress_.back(), 0);  // nothing was sent
    EXPECT_EQ(Counter(), "0002");
    // Mended: the operator can run again without restarting the tool.
    EXPECT_TRUE(W<QPushButton>("Button3")->isEnabled());
}

TEST_F(Run, PortPathSendsOnlyTheSelfTestMessageToThePort) {
    h_.Form();
    Tick("rdbLpt", true);
    // Selecting another connection refills the printer list and disables it.
    EXPECT_FALSE(W<QComboBox>("cmbDriver")->isEnabled());
    EXPECT_EQ(W<QComboBox>("cmbDriver")->count(), 2);
    auto statuses = Press();
    EXPECT_TRUE(h_.spooler_.kept.empty());
    EXPECT_TRUE(h_.ports_.opened.empty());
    EXPECT_EQ(statuses, (Strings{"启动更新....", "启动更新...."}));
    EXPECT_EQ(h_.pacer_.pauses, (std::vector<int>{500, 5000}));
    EXPECT_EQ(h_.progress_, (std::vector<int>{1, 2, 20}));
    EXPECT_EQ(Status(), "更新结束");

    Tick("CheckBox8", true);
    W<QComboBox>("cmbLpt")->setCurrentIndex(0);
    h_.progress_.clear();
    Press();
    EXPECT_TRUE(h_.spooler_.kept.empty());
    EXPECT_EQ(h_.ports_.written["LPT1"], std::string("\x1B##DLSF\x00\x00", 9));
    EXPECT_EQ(h_.progress_, (std::vector<int>{1, 2, 3, 4, 20}));
}

TEST_F(Run, AgingTimeIsShownUnconvertedAndFailsOnlyWhenSent) {
    h_.Form();
    SetEdit(op::ctl::Edit4, "abc");
    Tick("CheckBox12", false);
    auto statuses = Press();
    EXPECT_EQ(statuses[3], "更新老化时间为：abc秒");
    EXPECT_TRUE(h_.boxes_.shown.empty());
    EXPECT_EQ(Status(), "更新结束");

    // Ticked, it is checked before the first byte: nothing of the run is sent.
    h_.spooler_.kept.clear();
    Tick("CheckBox12", true);
    Press();
    EXPECT_EQ(Sent(), Strings{});
    EXPECT_EQ(h_.boxes_.shown, Strings{"打印机监控升级工具! 'abc' is not a valid integer value."});
    EXPECT_EQ(Status(), "更新未开始：未发送任何内容");
    EXPECT_EQ(W<QProgressBar>("ProgressBar1")->value(), 0);
    EXPECT_TRUE(W<QPushButton>("Button3")->isEnabled());
    EXPECT_EQ(Counter(), "0002");  // no number taken
}

TEST_F(Run, EnglishStatusTexts) {
    WindowHarness english("0409");
    english.Form();
    Strings statuses;
    english.pacer_.duringPause = [&](std::size_t) {
        statuses.push_back(english.Form().Text(op::ctl::StatusPanel1));
    };
    english.Logic().Button3Click();
    EXPECT_EQ(statuses[0], "Start the update....");
    EXPECT_EQ(statuses[3], "Aging time:300s");
    EXPECT_EQ(statuses[5], "Encryption mode to open");
    EXPECT_EQ(english.Form().Text(op::ctl::StatusPanel1), "End of update ");
}

TEST_F(Run, LanguageSwitchDuringARunChangesTheNextStatusText) {
    h_.Form();
    h_.pacer_.duringPause = [&](std::size_t n) {
        if (n == 2)
            QTest::mouseClick(W<QPushButton>("Button5"), Qt::LeftButton);
    };
    const auto statuses = Press();
    EXPECT_EQ(statuses[1], "是否更新默认字库代码");
    EXPECT_EQ(statuses[2], "To update the print concentration");
    EXPECT_EQ(Status(), "End of update ");
}

TEST_F(Run, EveryStepReadsTheWindowWhenItComes) {
    h_.Form();
    Tick("CheckBox8", true);
    const std::string package = WritePackage("late.bin", "xyz");
    h_.pacer_.duringPause = [&](std::size_t n) {
        if (n == 1)
            Tick("CheckBox2", false);  // before the density step
        if (n == 3)
            SetEdit(op::ctl::Edit3, "60");  // before the standby step
        if (n == 3)
            Tick("CheckBox11", true);
        if (n == 5)
            LoadPackage(package);  // before the self-test step
    };
    Press();
    const auto sent = Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "STDP 28"), 0);
    EXPECT_NE(std::find(sent.begin(), sent.end(), "SPTI 60"), sent.end());
    EXPECT_EQ(sent.back(), "DLSF new 3 bytes");
}

TEST_F(Run, SerialNumberAcrossRunsAndClose) {
    h_.Form();
    Press();
    EXPECT_EQ(Sent()[7], "STSN \"2026120001\"");
    EXPECT_EQ(Counter(), "0002");
    EXPECT_EQ(Units(), "1");
    h_.spooler_.kept.clear();
    Press();
    EXPECT_EQ(Sent()[7], "STSN \"2026120002\"");
    EXPECT_EQ(Counter(), "0003");
    EXPECT_EQ(Units(), "2");
    h_.Form().close();
    EXPECT_EQ(h_.store_.Read().text, "0003");
}

TEST_F(Run, CounterPastFourDigits) {
    h_.Form();
    SetEdit(op::ctl::txtUpdateNo, "9999");
    Press();
    EXPECT_EQ(Sent()[7], "STSN \"2026129999\"");
    EXPECT_EQ(Counter(), "10000");
    EXPECT_EQ(h_.store_.Read().text, "10000");
    h_.spooler_.kept.clear();
    Press();
    EXPECT_EQ(h_.spooler_.kept[7].bytes, std::string("\x1B##STSN\x0B"
                                                     "20261210000"));
}

// The operator mends a store that holds no counter by typing the next number into the box.
TEST_F(Run, NumberTypedIntoTheBoxReplacesAStoredValueThatIsNoCounter) {
    std::filesystem::create_directories(h_.dir_.path() / "kelvor");
    std::ofstream(h_.store_.Path()) << "REGEDIT4\r\n[HKEY_CURRENT_USER\\SOFTWARE\\kelvor\\"
                                       "PrinterTest]\r\n\"Num\"=dword:00000010\r\n";
    h_.Form();
    EXPECT_EQ(Counter(), "");
    auto* box = W<QLineEdit>("txtUpdateNo");
    QTest::keyClicks(box, "0017");
    Press();
    EXPECT_EQ(Sent()[7], "STSN \"2026120017\"");
    EXPECT_EQ(h_.store_.Read().text, "0018");
}

// The store is the truth: a window that did not touch its box stamps what another program left.
TEST_F(Run, UntouchedBoxFollowsTheStoreAndAnEditedBoxIsTakenOnce) {
    h_.Form();
    ASSERT_TRUE(platform::RegFileCounterStore(h_.store_.Path()).Write("0017"));
    Press();
    EXPECT_EQ(Sent()[7], "STSN \"2026120017\"");
    EXPECT_EQ(Counter(), "0018");
    EXPECT_EQ(h_.store_.Read().text, "0018");

    auto* box = W<QLineEdit>("txtUpdateNo");
    box->clear();
    QTest::keyClicks(box, "0050");
    h_.spooler_.kept.clear();
    Press();
    EXPECT_EQ(Sent()[7], "STSN \"2026120050\"");
    EXPECT_EQ(h_.store_.Read().text, "0051");

    // Typing the number the box already shows is still the operator's setting.
    ASSERT_TRUE(platform::RegFileCounterStore(h_.store_.Path()).Write("0060"));
    box->clear();
    QTest::keyClicks(box, "0051");
    h_.spooler_.kept.clear();
    Press();
    EXPECT_EQ(Sent()[7], "STSN \"2026120051\"");

    ASSERT_TRUE(platform::RegFileCounterStore(h_.store_.Path()).Write("0060"));
    h_.spooler_.kept.clear();
    Press();
    EXPECT_EQ(Sent()[7], "STSN \"2026120060\"");
    EXPECT_EQ(Counter(), "0061");
    EXPECT_EQ(Units(), "4");
}

// A counter that cannot be used is found before the first byte: nothing is sent, the store is
// left as it was, and the operator reads why.
TEST_F(Run, StoreFailuresStopBeforeTheFirstByteInTheOperatorsLanguage) {
    std::unique_ptr<test::HeldCounterLock> held;
    const struct {
        const char* what;
        const char* language;
        std::function<void(WindowHarness& h, const std::string& path)> spoil;
        std::string says;
    } cases[] = {
        {"folder in place of the file", "0804",
         [](WindowHarness&, const std::string& path) {
             std::filesystem::remove(path);
             std::filesystem::create_directories(path);
         },
         "错误: 无法读取序列号计数器 {}：Is a directory。未发送任何内容，本次更新已停止。"},
        {"lock held past the bound", "0409",
         [&held](WindowHarness& h, const std::string&) {
             held = std::make_unique<test::HeldCounterLock>(h.store_);
         },
         "错误: The serial-number counter {} is held by another program: another program has "
         "held {}.lock for more than 300 ms. Nothing was sent; the update was stopped."},
        {"stored value that is no counter", "0409",
         [](WindowHarness&, const std::string& path) {
             std::ofstream(path) << "REGEDIT4\r\n[HKEY_CURRENT_USER\\SOFTWARE\\kelvor\\PrinterTest]"
                                    "\r\n\"Num\"=\"12a\"\r\n";
         },
         "错误: The serial-number counter {} holds \"12a\", which is no serial number; type the "
         "next number into the serial-number box. Nothing was sent; the update was stopped."},
    };
    for (const auto& c : cases) {
        WindowHarness h(c.language);
        h.Form();
        const std::string path = h.store_.Path();
        c.spoil(h, path);
        const std::string before =
            std::filesystem::is_regular_file(path) ? test::Slurp(path) : std::string("<folder>");
        QTest::mouseClick(h.Form().findChild<QPushButton*>("Button3"), Qt::LeftButton);
        EXPECT_TRUE(h.spooler_.kept.empty()) << c.what;
        std::string says = c.says;
        for (auto at = says.find("{}"); at != std::string::npos; at = says.find("{}"))
            says.replace(at, 2, path);
        EXPECT_EQ(h.boxes_.shown, Strings{says}) << c.what;
        EXPECT_EQ(
            std::filesystem::is_regular_file(path) ? test::Slurp(path) : std::string("<folder>"),
            before)
            << c.what;
        EXPECT_TRUE(h.Form().findChild<QPushButton*>("Button3")->isEnabled()) << c.what;
        EXPECT_EQ(Str(h.Form().findChild<QLineEdit*>("txtUpdateOverNum")->text()), "0");
        held.reset();
    }
}

TEST_F(Run, UntickedSerialSendsNoStampAndKeepsTheCounter) {
    h_.Form();
    Tick("chkUpdateNo", false);
    Press();
    for (const auto& m : Sent())
        EXPECT_EQ(m.rfind("STSN", 0), std::string::npos);
    EXPECT_EQ(Counter(), "0001");
    EXPECT_EQ(Units(), "0");
    EXPECT_EQ(h_.pacer_.pauses.size(), 13u);  // 12 of 500 ms and the final wait
}

TEST_F(Run, ClosingDuringARunStoresTheAdvancedCounterAndThenCloses) {
    auto& f = h_.Form();
    f.show();
    h_.pacer_.duringPause = [&](std::size_t n) {
        if (n == 11)
            f.close();  // after the serial-number step
    };
    Press();
    QTest::qWait(50);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(h_.store_.Read().text, "0002");
    EXPECT_TRUE(h_.Logic().Package().Contents().List().empty());
    EXPECT_EQ(Sent().back(), "SBCV 2800");  // nothing after the close
}

// A close asked for while the run ends early is carried out, and the next window's run is whole.
TEST_F(Run, CloseDuringTheBoxOfAnEarlyEndClosesTheWindow) {
    auto& f = h_.Form();
    f.show();
    SetEdit(op::ctl::Edit4, "soon");
    h_.boxes_.whileShown = [&] { f.close(); };
    Press();
    QTest::qWait(50);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(h_.boxes_.shown, Strings{"打印机监控升级工具! 'soon' is not a valid integer value."});
}

platform::JobState Job(platform::JobState::Kind kind, std::uint32_t error = 0) {
    platform::JobState s;
    s.kind = kind;
    s.error = error;
    return s;
}

// A job that does not reach the printer ends the run where it happened: one box, a failure text
// in the operator's language that names a serial number taken, nothing sent after it, no job
// left in the queue, and "开始更新" enabled again.
TEST_F(Run, DeliveryFailuresEndTheRunWhereTheyHappen) {
    using Kind = platform::JobState::Kind;
    const struct {
        const char* what;
        const char* language;
        std::function<platform::JobState(int)> jobs;  // the state of job n
        // The queue before the run (plain values: GCC 12 at -O3 takes a string member left to
        // its default here for uninitialised).
        struct {
            std::uint32_t error = 0;
            const char* reason = "";
        } queue;
        std::size_t sent;  // jobs handed over
        std::string box, status, counter;
        std::vector<int> cancelled;
    } cases[] = {
        {"queue stopped before the run",
         "0804",
         nullptr,
         {1906, "stopped"},
         0,
         "打印机监控升级工具: error 1906",
         "更新未开始：打印机队列不能打印（error 1906）",
         "0001",
         {}},
        {"third job aborted",
         "0804",
         [](int n) { return n == 3 ? Job(Kind::Failed, 1117) : Job(Kind::Done); },
         {},
         3,
         "打印机监控升级工具: error 1117",
         "更新失败：打印机未收到全部设置（error 1117）",
         "0001",
         {}},
        {"the serial number's job never leaves the queue",
         "0804",
         [](int n) { return n == 8 ? Job(Kind::Queued) : Job(Kind::Done); },
         {},
         8,
         "打印机监控升级工具: error 1460",
         // Handed over and never confirmed: it may be on the unit, so it stays reserved.
         "更新失败：打印机未收到全部设置（error 1460），序列号 2026120001 可能已写入打印机，保留为"
         "已用，不再分配",
         "0002",
         {8}},
        {"queue stopped under the last job",
         "0409",
         [](int n) { return n == 10 ? Job(Kind::Stopped, 1906) : Job(Kind::Done); },
         {},
         10,
         "打印机监控升级工具: error 1906",
         "Update failed: the printer did not get every setting (error 1906); this unit has "
         "serial number 2026120001",
         "0002",
         {10}},
        // The link dropped inside the serial number's message: the spooler called that job done,
        // but no later job got through, so the number is not claimed to be on the unit.
        {"the job after the serial number's never arrives",
         "0804",
         [](int n) { return n == 9 ? Job(Kind::Queued) : Job(Kind::Done); },
         {},
         9,
         "打印机监控升级工具: error 1460",
         "更新失败：打印机未收到全部设置（error 1460），序列号 2026120001 可能已写入打印机，保留为"
         "已用，不再分配",
         "0002",
         {9}},
        // Every message handed over; the delivery check after the last one never got through:
        // the last message may be cut, the run is not finished.
        {"the delivery check after the last message never arrives",
         "0409",
         [](int n) { return n == 11 ? Job(Kind::Queued) : Job(Kind::Done); },
         {},
         10,
         "打印机监控升级工具: error 1460",
         "Update not confirmed: the printer may not have got the last setting whole (error 1460); "
         "this unit has serial number 2026120001",
         "0002",
         {11}},
        {"the delivery check refused at once",
         "0804",
         [](int n) { return n == 11 ? Job(Kind::Failed, 1117) : Job(Kind::Done); },
         {},
         10,
         "打印机监控升级工具: error 1117",
         "更新未确认：无法确认最后一条设置完整到达打印机（error 1117），此机序列号为 2026120001",
         "0002",
         {}},
    };
    for (const auto& c : cases) {
        WindowHarness h(c.language);
        h.jobTimeoutMs = 300;
        h.delivery_.jobState = c.jobs;
        h.delivery_.queue.error = c.queue.error;
        h.delivery_.queue.reason = c.queue.reason;
        QTest::mouseClick(h.Form().findChild<QPushButton*>("Button3"), Qt::LeftButton);
        EXPECT_EQ(h.spooler_.MessageJobs(), c.sent) << c.what;
        // The delivery check goes out only after every message arrived: exactly when the run
        // ends unconfirmed here.
        const std::string status = c.status;
        EXPECT_EQ(h.spooler_.kept.size() - h.spooler_.MessageJobs(),
                  status.find("not confirmed") != std::string::npos ||
                          status.find("未确认") != std::string::npos
                      ? 1u
                      : 0u)
            << c.what;
        EXPECT_EQ(h.boxes_.shown, Strings{c.box}) << c.what;
        EXPECT_EQ(h.Form().Text(op::ctl::StatusPanel1), c.status) << c.what;
        EXPECT_EQ(Str(h.Form().findChild<QLineEdit*>("txtUpdateNo")->text()), c.counter) << c.what;
        EXPECT_EQ(h.delivery_.cancelled, c.cancelled) << c.what;
        EXPECT_TRUE(h.Form().findChild<QPushButton*>("Button3")->isEnabled()) << c.what;
        // Nothing sent: the bar is back at its start, as after every end before the first byte.
        if (c.sent == 0) {
            EXPECT_EQ(h.Form().findChild<QProgressBar*>("ProgressBar1")->value(), 0) << c.what;
        }
    }
}

// A slow printer within the bound: the run waits for each job before the next one and finishes.
TEST_F(Run, SlowPrinterWithinTheBoundFinishes) {
    using Kind = platform::JobState::Kind;
    std::map<int, int> asked;
    h_.delivery_.jobState = [&](int n) {
        return ++asked[n] < 4 ? Job(Kind::Printing) : Job(Kind::Done);
    };
    Press();
    EXPECT_EQ(Sent().size(), 10u);
    EXPECT_EQ(Status(), "更新结束");
    EXPECT_TRUE(h_.boxes_.shown.empty());
    // The pauses are the design's; the waits for the printer come on top of them.
    std::vector<int> pauses(13, 500);
    pauses.push_back(5000);
    EXPECT_EQ(h_.pacer_.pauses, pauses);
}

TEST_F(Run, ASecondPressDuringARunIsIgnored) {
    h_.Form();
    h_.pacer_.duringPause = [&](std::size_t n) {
        if (n == 3) {
            EXPECT_EQ(h_.Logic().Button3Click(), op::RunEnd::NotStarted);
        }
    };
    Press();
    EXPECT_EQ(Sent().size(), 10u);
    EXPECT_TRUE(W<QPushButton>("Button3")->isEnabled());
}

TEST_F(Run, PackageNeedsAPrinter) {
    for (const char* id : {"0804", "0409"}) {
        WindowHarness none(id, {}, std::nullopt);
        none.dialog_.next = "/anything.bin";
        QTest::mouseClick(none.Form().findChild<QPushButton*>("Button1"), Qt::LeftButton);
        EXPECT_EQ(none.boxes_.shown,
                  Strings{std::string("警告: ") + (std::string(id) == "0804"
                                                       ? "请安排打印机驱动程序"
                                                       : "Please arrange the printer driver")});
        EXPECT_TRUE(none.dialog_.asked.empty());
        EXPECT_FALSE(none.Form().findChild<QPushButton*>("Button2")->isEnabled());
    }
}

TEST_F(Run, PackageIsLoadedDumpedAndReplaced) {
    h_.Form();
    std::string bytes;
    for (int i = 0; i < 16; ++i)
        bytes += static_cast<char>(i);
    LoadPackage(WritePackage("a.bin", bytes));
    EXPECT_EQ(h_.dialog_.asked, Strings{"*.bin in ."});
    EXPECT_EQ(Memo(), " 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n");
    EXPECT_TRUE(W<QPushButton>("Button2")->isEnabled());

    LoadPackage(WritePackage("b.bin", "\x1B\xFF"));
    ASSERT_EQ(h_.Logic().Package().Contents().List().size(), 1u);
    EXPECT_EQ(h_.Logic().Package().Contents().List()[0]->ToString(), "\x1B\xFF");
    EXPECT_EQ(Memo(), " 1B FF");

    // Cancel keeps the package and the pane.
    h_.dialog_.next.reset();
    QTest::mouseClick(W<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_EQ(h_.Logic().Package().Contents().List().size(), 1u);
    EXPECT_EQ(Memo(), " 1B FF");
}

TEST_F(Run, CancelledFirstSelectionEnablesTheTestPrintWhichSendsNothing) {
    h_.Form();
    h_.dialog_.next.reset();
    QTest::mouseClick(W<QPushButton>("Button1"), Qt::LeftButton);
    EXPECT_TRUE(W<QPushButton>("Button2")->isEnabled());
    QTest::mouseClick(W<QPushButton>("Button2"), Qt::LeftButton);
    EXPECT_EQ(h_.boxes_.shown, Strings{"警告: 测试所打印的内容为打印机升级后的打印自检效果"});
    EXPECT_TRUE(h_.spooler_.kept.empty());
}

TEST_F(Run, EmptyPackageGivesAnEmptyLineAndAnEmptyJob) {
    h_.Form();
    LoadPackage(WritePackage("empty.bin", ""));
    ASSERT_EQ(h_.Logic().Package().Contents().List().size(), 1u);
    EXPECT_EQ(h_.Logic().Package().Contents().List()[0]->Count(), 0);
    EXPECT_EQ(W<ui::LogPane>("Memo1")->lineCount(), 1);
    EXPECT_EQ(Memo(), "");
    QTest::mouseClick(W<QPushButton>("Button2"), Qt::LeftButton);
    ASSERT_EQ(h_.spooler_.kept.size(), 1u);
    EXPECT_EQ(h_.spooler_.kept[0].bytes, "");
}

TEST_F(Run, TestPrintSendsThePackageUnchangedOnEitherPath) {
    h_.Form();
    const std::string bytes("\x1B\x40\x00hello\x0A", 9);
    LoadPackage(WritePackage("t.bin", bytes));
    QTest::mouseClick(W<QPushButton>("Button2"), Qt::LeftButton);
    ASSERT_EQ(h_.spooler_.kept.size(), 1u);
    EXPECT_EQ(h_.spooler_.kept[0].bytes, bytes);
    Tick("rdbLpt", true);
    W<QComboBox>("cmbLpt")->setCurrentIndex(0);
    QTest::mouseClick(W<QPushButton>("Button2"), Qt::LeftButton);
    EXPECT_EQ(h_.spooler_.kept.size(), 1u);
    EXPECT_EQ(h_.ports_.written["LPT1"], bytes);
}

// A test print the printer never got is told once; one that is stuck is taken out of the queue.
TEST_F(Run, TestPrintThatDoesNotArriveIsTold) {
    using Kind = platform::JobState::Kind;
    h_.jobTimeoutMs = 200;
    h_.delivery_.jobState = [](int n) {
        return n == 1 ? Job(Kind::Failed, 1117) : Job(Kind::Queued);
    };
    h_.Form();
    LoadPackage(WritePackage("t.bin", "abc"));
    QTest::mouseClick(W<QPushButton>("Button2"), Qt::LeftButton);
    QTest::mouseClick(W<QPushButton>("Button2"), Qt::LeftButton);
    const std::string note = "警告: 测试所打印的内容为打印机升级后的打印自检效果";
    EXPECT_EQ(h_.boxes_.shown, (Strings{note, "打印机监控升级工具: error 1117", note,
                                        "打印机监控升级工具: error 1460"}));
    EXPECT_EQ(h_.delivery_.cancelled, std::vector<int>({2}));
}

TEST_F(Run, UnreadablePackagesLeaveListAndPaneEmpty) {
    h_.Form();
    LoadPackage(WritePackage("ok.bin", "ok"));
    const std::string missing = h_.dir_ / "missing.bin";
    const std::string folder = h_.dir_.path().string();
    const std::string big = h_.dir_ / "big.bin";
    std::filesystem::resize_file(WritePackage("big.bin", ""), (16u << 20) + 1);
    const struct {
        std::string path, reason;
    } cases[] = {{missing, "No such file or directory"},
                 {folder, "Is a directory"},
                 {big, "file too large"}};
    for (const auto& c : cases) {
        h_.boxes_.shown.clear();
        LoadPackage(c.path);
        EXPECT_EQ(h_.boxes_.shown, Strings{"打印机监控升级工具! Cannot open file \"" + c.path +
                                           "\". " + c.reason + "."});
        EXPECT_TRUE(h_.Logic().Package().Contents().List().empty());
        EXPECT_EQ(Memo(), "");
    }
}

TEST_F(Run, FailedFirstLoadLeavesTheTestPrintDisabled) {
    h_.Form();
    LoadPackage(h_.dir_ / "missing.bin");
    EXPECT_FALSE(W<QPushButton>("Button2")->isEnabled());
}

// Every run leaves one entry in the record, whatever way it ends.
TEST_F(Run, EveryRunLeavesOneEntryWithWhatBecameOfEachMessage) {
    h_.Form();
    LoadPackage(WritePackage("self-test.bin", "abc"));
    Press();
    ASSERT_EQ(h_.record_.entries.size(), 1u);
    const platform::UnitEntry& e = h_.record_.entries[0];
    EXPECT_EQ(e.runId.size(), 32u);
    EXPECT_EQ(e.started.size(), 24u);
    EXPECT_LE(e.started, e.ended);
    EXPECT_EQ(e.station, "S1");
    EXPECT_EQ(e.language, "chinese");
    EXPECT_EQ(e.target, "printer Line1");
    EXPECT_EQ(e.serial, "2026120001");
    EXPECT_FALSE(e.reusedSerial);
    EXPECT_EQ(e.outcome, "finished");
    EXPECT_EQ(e.version, "9.9");
    EXPECT_EQ(e.packageName, "self-test.bin");
    EXPECT_EQ(e.packageSize, 3u);
    EXPECT_EQ(e.packageSha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    Strings messages;
    for (const auto& m : e.messages) {
        EXPECT_EQ(m.result, "done") << m.message;
        messages.push_back(m.message);
    }
    // The delivery check after the last message is in the record too.
    Strings expected = Sent();
    expected.push_back("PROBE");
    EXPECT_EQ(messages, expected);

    // An early end: the reason as the operator read it.
    SetEdit(op::ctl::Edit4, "abc");
    Press();
    ASSERT_EQ(h_.record_.entries.size(), 2u);
    EXPECT_EQ(h_.record_.entries[1].outcome, "ended early");
    EXPECT_EQ(h_.record_.entries[1].detail, "'abc' is not a valid integer value");
    EXPECT_EQ(h_.record_.entries[1].serial, "");
    EXPECT_EQ(h_.record_.entries[1].messages.size(), 0u);  // found before the first byte
    EXPECT_NE(h_.record_.entries[1].runId, e.runId);
}

TEST_F(Run, FailedDeliveryIsRecordedWithTheMessageThatFailed) {
    h_.jobTimeoutMs = 300;
    h_.delivery_.jobState = [](int n) {
        return n == 3 ? Job(platform::JobState::Kind::Failed, 1117)
                      : Job(platform::JobState::Kind::Done);
    };
    Press();
    ASSERT_EQ(h_.record_.entries.size(), 1u);
    const platform::UnitEntry& e = h_.record_.entries[0];
    EXPECT_EQ(e.outcome, "delivery failed");
    EXPECT_EQ(e.detail, "更新失败：打印机未收到全部设置（error 1117）");
    ASSERT_EQ(e.messages.size(), 3u);
    EXPECT_EQ(e.messages[2].result, "failed");
    EXPECT_EQ(e.messages[2].error, 1117u);
}

// The delivery check cannot even be handed over (the queue went away after the last message):
// the transport's one box, the run not confirmed, the check recorded as not sent.
TEST_F(Run, DeliveryCheckThatCannotBeHandedOver) {
    h_.jobTimeoutMs = 300;
    h_.delivery_.openError = [](int n) { return n == 11 ? 1801u : 0u; };
    Press();
    EXPECT_EQ(h_.boxes_.shown, Strings{"打印机监控升级工具: error 1801"});
    EXPECT_EQ(
        Status(),
        "更新未确认：无法确认最后一条设置完整到达打印机（error 1801），此机序列号为 2026120001");
    ASSERT_EQ(h_.record_.entries.size(), 1u);
    const platform::UnitEntry& e = h_.record_.entries[0];
    EXPECT_EQ(e.outcome, "not confirmed");
    ASSERT_EQ(e.messages.size(), 11u);
    EXPECT_EQ(e.messages[10].message, "PROBE");
    EXPECT_EQ(e.messages[10].result, "not sent");
    EXPECT_EQ(e.messages[10].error, 1801u);
    EXPECT_TRUE(W<QPushButton>("Button3")->isEnabled());
}

// The last message handed over but never vouched for by a later job: the record says so, for the
// run and for that message, and never "finished".
TEST_F(Run, UnconfirmedLastMessageIsRecordedAsNotConfirmed) {
    h_.jobTimeoutMs = 300;
    h_.delivery_.jobState = [](int n) {
        return n == 11 ? Job(platform::JobState::Kind::Queued)
                       : Job(platform::JobState::Kind::Done);
    };
    Press();
    ASSERT_EQ(h_.record_.entries.size(), 1u);
    const platform::UnitEntry& e = h_.record_.entries[0];
    EXPECT_EQ(e.outcome, "not confirmed");
    EXPECT_EQ(e.serial, "2026120001");
    ASSERT_EQ(e.messages.size(), 11u);
    EXPECT_EQ(e.messages[8].result, "done");  // SBCV: BTLK got through after it
    EXPECT_EQ(e.messages[9].message, "BTLK 1");
    EXPECT_EQ(e.messages[9].result, "not confirmed");
    EXPECT_EQ(e.messages[10].message, "PROBE");
    EXPECT_EQ(e.messages[10].result, "failed");
    EXPECT_EQ(e.messages[10].error, 1460u);
    EXPECT_EQ(Status().rfind("更新未确认：", 0), 0u) << Status();
}

// Marks a serial number stamped in the window's ledger, as an earlier run would have left it.
void MarkStamped(WindowHarness& h, const std::string& serial) {
    bool added = false;
    ASSERT_TRUE(h.book_.Exclusive([&](platform::ISerialSection& s) {
        added = s.Add({serial, "stamped", "S0", "earlier-" + serial, false}).ok();
        return added;
    }));
    ASSERT_TRUE(added) << serial;
}

// A record that cannot be written: at the end, the unit is configured and the operator told; when
// it is known before the first byte, nothing is sent and no number is taken.
TEST_F(Run, RecordThatCannotBeWrittenIsToldInTheOperatorsLanguage) {
    h_.record_.writeFailure = "disk I/O error";
    Press();
    EXPECT_EQ(h_.boxes_.shown, Strings{"错误: 本次更新未能写入生产记录 memory：disk I/O error"});
    EXPECT_TRUE(h_.Logic().Run().RecordFailed());
    EXPECT_EQ(Status(), "更新结束");

    h_.boxes_.shown.clear();
    h_.spooler_.kept.clear();
    h_.record_.probeFailure = "database or disk is full";
    Press();
    EXPECT_EQ(h_.boxes_.shown, Strings{"错误: 无法写入生产记录 memory：database or disk is full。"
                                       "未发送任何内容，本次更新已停止。"});
    EXPECT_TRUE(h_.spooler_.kept.empty());
    EXPECT_EQ(h_.store_.Read().text, "0002");
}

// The operator's number on a unit already: Yes stamps it once (in whatever form it was typed)
// and leaves the counter where it stands; No sends nothing, the box shows the next free number,
// and closing stores nothing the operator did not type.
TEST_F(Run, UsedNumberIsStampedAgainOnlyAfterYes) {
    const struct {
        const char* typed;
        bool answer;
        std::size_t jobs;
        const char* status;
        const char* serial;
    } cases[] = {
        {"0005", false, 0, "序列号 2026120005 已用过，未更新", ""},
        {"5", true, 10, "更新结束", "2026120005"},
    };
    for (const auto& c : cases) {
        WindowHarness h;
        ASSERT_TRUE(h.store_.Write("0007"));
        MarkStamped(h, "2026120005");
        h.boxes_.answer = c.answer;
        h.Form().SetText(op::ctl::txtUpdateNo, c.typed);
        QTest::mouseClick(h.Form().findChild<QPushButton*>("Button3"), Qt::LeftButton);
        EXPECT_EQ(h.boxes_.shown,
                  Strings{"打印机监控升级工具? 记录显示序列号 2026120005 已写入过一台打印机（" +
                          h.book_.LedgerLocation() +
                          "）。仍要把它写入这台打印机吗？选“否”：不发送任何内容，序列号框显示"
                          "下一个可用的序列号 2026120007。"})
            << c.typed;
        EXPECT_EQ(h.spooler_.MessageJobs(), c.jobs) << c.typed;
        EXPECT_EQ(h.Form().Text(op::ctl::StatusPanel1), c.status) << c.typed;
        // The bar is empty when nothing was sent, full at the end of a run.
        EXPECT_EQ(h.Form().findChild<QProgressBar*>("ProgressBar1")->value(), c.answer ? 20 : 0);
        EXPECT_EQ(Str(h.Form().findChild<QLineEdit*>("txtUpdateNo")->text()), "0007") << c.typed;
        ASSERT_EQ(h.record_.entries.size(), 1u);
        EXPECT_EQ(h.record_.entries[0].serial, c.serial);
        EXPECT_EQ(h.record_.entries[0].reusedSerial, c.answer);
        h.Form().close();
        EXPECT_EQ(h.store_.Read().text, "0007") << c.typed;
    }
}

// A counter set back below numbers on units (restored from a backup, a fresh counter beside an
// older record) sends nothing and names the next free serial number; no number is burnt, and
// the number named is stamped once the operator types it.
TEST_F(Run, CounterSetBackSendsNothingAndNamesTheNextFreeNumber) {
    for (const char* serial : {"2026120003", "2026120004", "2026120005"})
        MarkStamped(h_, serial);
    ASSERT_TRUE(h_.store_.Write("0003"));
    Press();
    EXPECT_TRUE(h_.spooler_.kept.empty());
    EXPECT_EQ(h_.boxes_.shown,
              Strings{"错误: 序列号计数器 " + h_.store_.Path() +
                      " 给出的序列号 2026120003 已写入过一台打印机（计数器被调回过，生产记录 " +
                      h_.book_.LedgerLocation() +
                      "）；下一个可用的序列号是 2026120006。未发送任何内容，本次更新已停止。"});
    EXPECT_EQ(h_.store_.Read().text, "0003");
    auto* box = W<QLineEdit>("txtUpdateNo");
    box->clear();
    QTest::keyClicks(box, "0006");
    Press();
    EXPECT_EQ(Sent()[7], "STSN \"2026120006\"");
    EXPECT_EQ(h_.store_.Read().text, "0007");
}

// Enter on the question of a used number (the window's own box, drawn by Qt) presses No: nothing
// is sent.
TEST_F(Run, EnterOnTheReuseQuestionSendsNothing) {
    WindowHarness h;
    h.systemBoxes = true;
    ASSERT_TRUE(h.store_.Write("0002"));
    MarkStamped(h, "2026120001");
    auto& f = h.Form();
    f.show();
    f.SetText(op::ctl::txtUpdateNo, "0001");
    QTimer enter;
    bool noIsDefault = false, asked = false;
    QObject::connect(&enter, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            enter.stop();
            asked = true;
            noIsDefault = box->standardButton(box->defaultButton()) == QMessageBox::No;
            QTest::keyClick(box, Qt::Key_Return);
        }
    });
    enter.start(10);
    QTest::mouseClick(f.findChild<QPushButton*>("Button3"), Qt::LeftButton);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(noIsDefault);
    EXPECT_TRUE(h.spooler_.kept.empty());
    EXPECT_EQ(f.Text(op::ctl::StatusPanel1), "序列号 2026120001 已用过，未更新");
}

// The serial-number message of the jobs (hex), or "" when none; "<nothing>" when no job at all.
std::string StsnOf(const std::vector<std::string>& jobs) {
    if (jobs.empty())
        return "<nothing>";
    for (const auto& job : jobs) {
        const std::string hex = test::Hex(job);
        if (hex.rfind("1B 23 23 53 54 53 4E", 0) == 0)
            return hex;
    }
    return "";
}

std::vector<std::string> CapturedJobs(const std::string& dir) {
    std::vector<std::string> names, jobs;
    if (std::filesystem::exists(dir)) {
        for (const auto& e : std::filesystem::directory_iterator(dir))
            names.push_back(e.path().string());
    }
    std::sort(names.begin(), names.end());
    for (const auto& name : names)
        jobs.push_back(test::Slurp(name));
    return jobs;
}

// One input, one serial number: the window, bpconf-cli run and bpconf-cli frames send the same
// bytes for every row of the stamp table, and leave the counter alike.
TEST(StampTable, TheWindowRunAndFramesStampTheSameBytes) {
    for (const auto& row : test::StampRows()) {
        const std::string expected = row.stsn != nullptr ? row.stsn : "<nothing>";
        const std::string used = row.usedBefore ? serials::SerialText("202612", 3) : "";

        WindowHarness h;
        ASSERT_TRUE(h.store_.Write(row.stored));
        if (row.usedBefore)
            MarkStamped(h, used);
        h.boxes_.answer = true;
        auto& f = h.Form();
        if (row.typed != nullptr) {
            auto* box = f.findChild<QLineEdit*>("txtUpdateNo");
            box->clear();
            QTest::keyClicks(box, row.typed);
        }
        QTest::mouseClick(f.findChild<QPushButton*>("Button3"), Qt::LeftButton);
        std::vector<std::string> jobs;
        for (const auto& job : h.spooler_.kept)
            jobs.push_back(job.bytes);
        EXPECT_EQ(StsnOf(jobs), expected) << "window, " << row.what;
        EXPECT_EQ(h.store_.Read().text, row.storedAfter) << "window, " << row.what;

        test::TempDir home("stamp");
        test::WriteCounter(home, row.stored);
        if (row.usedBefore) {
            platform::StationSerialBook book(
                std::make_unique<platform::RegFileCounterStore>(test::CounterFile(home)),
                std::make_shared<platform::SqliteDatabase>(home / "bpconf/units.sqlite"));
            bool added = false;
            ASSERT_TRUE(book.Exclusive([&](platform::ISerialSection& s) {
                added = s.Add({used, "stamped", "S0", "earlier", false}).ok();
                return added;
            }));
            ASSERT_TRUE(added) << row.what;
        }
        std::string options = " --set serial.month=202612";
        if (row.typed != nullptr)
            options += std::string(" --set 'serial.counter=") + row.typed + "'";
        if (row.usedBefore)
            options += " --reuse-serial";
        const auto frames = test::Cli("frames" + options, home);
        std::vector<std::string> lines;
        std::istringstream out(frames.out);
        for (std::string line; std::getline(out, line);)
            lines.push_back(test::Bytes(line));
        EXPECT_EQ(StsnOf(lines), expected) << "frames, " << row.what << "\n" << frames.err;

        const std::string capture = home / "jobs";
        const auto run = test::Cli("run --no-pacing --capture '" + capture + "'" + options, home);
        EXPECT_EQ(StsnOf(CapturedJobs(capture)), expected) << "run, " << row.what << "\n"
                                                           << run.err;
        EXPECT_EQ(platform::RegFileCounterStore(test::CounterFile(home)).Read().text,
                  row.storedAfter)
            << "run, " << row.what;
    }
}

}  // namespace
}  // namespace bpconf
