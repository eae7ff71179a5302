#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "CliSupport.h"
#include "SchedulerSupport.h"
#include "TestSupport.h"
#include "WindowHarness.h"

namespace bpconf {
namespace {

class WindowScheduler : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_SCHEDULER();
        test::RemoveAllQueues();
        test::IgnoreEarlierJobs();
        h_.realPrinters = platform::CreateSystemPrinterList();
        h_.realSpooler = platform::CreateSystemSpooler();
    }
    void TearDown() override {
        if (test::UsePrivateScheduler())
            test::RemoveAllQueues();
    }

    std::vector<std::string> Listed() {
        auto* list = h_.Form().findChild<QComboBox*>("cmbDriver");
        std::vector<std::string> names;
        for (int i = 0; i < list->count(); ++i)
            names.push_back(list->itemText(i).toStdString());
        return names;
    }
    std::string Selected() {
        return h_.Form().findChild<QComboBox*>("cmbDriver")->currentText().toStdString();
    }

    test::WindowHarness h_;
};

TEST_F(WindowScheduler, NoPrinterInstalled) {
    EXPECT_TRUE(Listed().empty());
    EXPECT_EQ(h_.Form().findChild<QComboBox*>("cmbDriver")->currentIndex(), -1);
    EXPECT_TRUE(h_.boxes_.shown.empty());
}

TEST_F(WindowScheduler, OnePrinterIsListedAndSelected) {
    test::EmulatedQueue line("Line1", true);
    ASSERT_TRUE(line.ok());
    EXPECT_EQ(Listed(), std::vector<std::string>{"Line1"});
    EXPECT_EQ(Selected(), "Line1");
}

TEST_F(WindowScheduler, SeveralPrintersWithTheDefaultSelectedAfterAnyNumberOfSwitches) {
    test::EmulatedQueue a("Assembly"), b("Bench", true), c("Packing");
    ASSERT_TRUE(a.ok() && b.ok() && c.ok());
    const std::vector<std::string> expected = {"Assembly", "Bench", "Packing"};
    EXPECT_EQ(Listed(), expected);
    EXPECT_EQ(Selected(), "Bench");
    auto* button5 = h_.Form().findChild<QPushButton*>("Button5");
    for (int press = 1; press <= 4; ++press) {
        h_.Form().findChild<QComboBox*>("cmbDriver")->setCurrentIndex(2);
        QTest::mouseClick(button5, Qt::LeftButton);
        EXPECT_EQ(Listed(), expected) << press;
        EXPECT_EQ(Selected(), "Bench") << press;
    }
}

std::vector<std::string> DecodedJobs(const std::vector<std::string>& jobs) {
    std::vector<std::string> lines;
    for (const auto& job : jobs) {
        const auto messages = protocol::Decode(job);
        // One message per job, never two in one and never one split over two.
        EXPECT_EQ(messages.size(), 1u) << protocol::DescribeAll(messages);
        for (const auto& m : messages)
            lines.push_back(protocol::Describe(m));
    }
    return lines;
}

TEST_F(WindowScheduler, DefaultRunReachesThePrinterAsTenJobs) {
    test::EmulatedQueue line("Line1", true);
    ASSERT_TRUE(line.ok());
    QTest::mouseClick(h_.Form().findChild<QPushButton*>("Button3"), Qt::LeftButton);
    // Ten messages, then the delivery check that vouches for the last one.
    EXPECT_EQ(DecodedJobs(line.Jobs(11)),
              (std::vector<std::string>{"OPEN", "STDP 28", "BDIT 300", "LFCH 0A", "EDCD 1",
                                        "BLSP 1", "CHTY 82", "STSN \"2026120001\"", "SBCV 2800",
                                        "BTLK 1", "PROBE"}));
    EXPECT_TRUE(h_.boxes_.shown.empty());
    EXPECT_EQ(h_.Form().Text(op::ctl::StatusPanel1), "更新结束");
}

TEST_F(WindowScheduler, EveryBoxTickedWithAPackageOfTheLargestSize) {
    test::EmulatedQueue line("Line1", true);
    ASSERT_TRUE(line.ok());
    auto& f = h_.Form();
    for (op::Control box : {op::ctl::CheckBox1, op::ctl::CheckBox5, op::ctl::CheckBox8,
                            op::ctl::CheckBox10, op::ctl::CheckBox11}) {
        f.SetChecked(box, true);
    }
    f.SetText(op::ctl::Edit1, "P-01");
    const std::string package = h_.dir_ / "max.bin";
    std::string bytes(4094, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 13);
    std::ofstream(package, std::ios::binary) << bytes;
    h_.dialog_.next = package;
    QTest::mouseClick(f.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    QTest::mouseClick(f.findChild<QPushButton*>("Button3"), Qt::LeftButton);
    // The fifteen messages, then the delivery check that vouches for the last one.
    const auto jobs = line.Jobs(16);
    EXPECT_EQ(DecodedJobs(jobs),
              (std::vector<std::string>{
                  "OPEN", "SLAN 15", "STDP 28", "BDIT 300", "LFCH 0A", "EDCD 1", "BLSP 1",
                  "SPTI 1800", "CHTY 82", "STSN \"2026120001\"", "SBCV 2800", "BTLK 1",
                  "DLSF new 4094 bytes", "SBDR 38400", "BTRN \"P-01\"", "PROBE"}));
    ASSERT_EQ(jobs.size(), 16u);
    EXPECT_EQ(f.Text(op::ctl::StatusPanel1), "更新结束");
    EXPECT_EQ(jobs[12].size(), 4103u);
    EXPECT_EQ(jobs[12].substr(7, 2), "\xFE\x0F");
    EXPECT_EQ(jobs[12].substr(9), bytes);
    EXPECT_TRUE(h_.boxes_.shown.empty());
}

TEST_F(WindowScheduler, PrinterGoneAfterTheListWasFilledIsToldOnce) {
    test::EmulatedQueue line("Line1", true);
    ASSERT_TRUE(line.ok());
    auto& f = h_.Form();
    ASSERT_EQ(std::system("lpadmin -x Line1"), 0);  // gone after the list was filled
    QTest::mouseClick(f.findChild<QPushButton*>("Button3"), Qt::LeftButton);
    EXPECT_EQ(h_.boxes_.shown, std::vector<std::string>{"打印机监控升级工具: error 1801"});
    EXPECT_EQ(f.Text(op::ctl::StatusPanel1), "更新未开始：打印机队列不能打印（error 1801）");
    EXPECT_TRUE(f.findChild<QPushButton*>("Button3")->isEnabled());
    EXPECT_TRUE(line.printer().Jobs().empty());
}

// The same settings through the window and through bpconf-cli reach the printer as the same jobs.
TEST_F(WindowScheduler, WindowAndCommandLineSendTheSameJobs) {
    test::EmulatedQueue line("Line1", true);
    ASSERT_TRUE(line.ok());
    auto& f = h_.Form();
    f.SetChecked(op::ctl::CheckBox1, true);
    f.SetItemIndex(op::ctl::cboLanage, 20);
    f.SetItemIndex(op::ctl::cboLevel, 7);
    f.SetText(op::ctl::Edit4, "$3C");
    f.SetItemIndex(op::ctl::ComboBox2, 1);
    f.SetChecked(op::ctl::CheckBox3, false);
    f.SetChecked(op::ctl::CheckBox11, true);
    f.SetText(op::ctl::Edit3, "600");
    f.SetItemIndex(op::ctl::ComboBox3, 1);
    f.SetText(op::ctl::txtUpdateNo, "0042");
    f.SetText(op::ctl::Edit2, " 2500 ");
    f.SetChecked(op::ctl::CheckBox10, true);
    f.SetItemIndex(op::ctl::cboNewCom, 9);
    f.SetChecked(op::ctl::CheckBox5, true);
    f.SetText(op::ctl::Edit1, "Station-3");
    QTest::mouseClick(f.findChild<QPushButton*>("Button3"), Qt::LeftButton);
    const auto fromWindow = line.Jobs(15);  // fourteen messages and the delivery check
    ASSERT_EQ(fromWindow.size(), 15u);

    test::TempDir home("cli");
    const auto r = test::Cli(
        "run --no-pacing --printer Line1 --set codepage.send=yes --set codepage=21"
        " --set density=7 --set 'aging_time=$3C' --set line_feed=0D --set encryption=off"
        " --set standby_time.send=yes --set standby_time=600 --set font=proportional"
        " --set serial.month=202612 --set serial.counter=0042 --set 'sensor=\" 2500 \"'"
        " --set baud_rate.send=yes --set baud_rate=230400 --set printer_name.send=yes"
        " --set printer_name=Station-3",
        home, test::PrivateSchedulerEnv());
    EXPECT_EQ(r.status, 0) << r.err;
    const auto all = line.Jobs(30);
    ASSERT_EQ(all.size(), 30u);
    const std::vector<std::string> fromCli(all.begin() + 15, all.end());
    for (std::size_t i = 0; i < fromWindow.size(); ++i) {
        EXPECT_EQ(test::Hex(fromCli[i]), test::Hex(fromWindow[i])) << i;
    }
    EXPECT_EQ(DecodedJobs(fromCli)[9], "STSN \"2026120042\"");
}

// With the window's own pacing: the pauses keep their lengths and the window stays responsive.
TEST_F(WindowScheduler, RealPacingKeepsTheWindowResponsive) {
    test::EmulatedQueue line("Line1", true);
    ASSERT_TRUE(line.ok());
    ui::QtPacer pacer;
    test::WindowHarness real;
    real.realPrinters = platform::CreateSystemPrinterList();
    real.realSpooler = platform::CreateSystemSpooler();
    op::Services services{*real.realPrinters,
                          real.transport(),
                          real.book_,
                          real.locale_,
                          real.clock_,
                          real.boxes_,
                          real.dialog_,
                          pacer,
                          [](const std::string& s) { return s; }};
    ui::TForm1 form(services);
    form.show();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(100);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(form.findChild<QPushButton*>("Button3"), Qt::LeftButton);
    const qint64 elapsed = clock.elapsed();
    EXPECT_EQ(line.Jobs(11).size(), 11u);
    EXPECT_GE(elapsed, 13 * 500 + 5000);
    // Timers kept firing during the pauses: the event loop ran all along.
    EXPECT_GE(ticks, 50);
    EXPECT_EQ(form.Text(op::ctl::StatusPanel1), "更新结束");
}

}  // namespace
}  // namespace bpconf
