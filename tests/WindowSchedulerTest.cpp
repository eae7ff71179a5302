#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "SchedulerSupport.h"
#include "WindowHarness.h"

namespace bpconf {
namespace {

class WindowScheduler : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_SCHEDULER();
        test::RemoveAllQueues();
        h_.realPrinters = platform::CreateSystemPrinterList();
        h_.realSpooler = platform::CreateSystemSpooler();
    }
    void TearDown() override {
        if (std::getenv("CUPS_SERVER") != nullptr)
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

}  // namespace
}  // namespace bpconf
