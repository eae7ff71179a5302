// The Win32 window under wine: the window interface's contract, and the window driven through
// its controls' own messages as an operator drives it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "BoxContract.h"
#include "Doubles.h"
#include "FormContract.h"
#include "StampTable.h"
#include "WindowDoubles.h"
#include "operator/Design.h"
#include "operator/LanguageTables.h"
#include "platform/AsciiText.h"
#include "platform/Backends.h"
#include "platform/Environment.h"
#include "serials/SerialNumber.h"
#include "transport/untFunction.h"
#include "ui/win32/Unit1.h"
#include "ui/win32/Win32BoxPresenter.h"
#include "ui/win32/Win32Driver.h"
#include "ui/win32/untWait.h"

namespace bpconf::test {
namespace {

namespace ctl = op::ctl;
namespace driver = ui::driver;
using Strings = std::vector<std::string>;

// The Win32 window with doubles for the services a test controls; the system's printers and
// spooler when a test asks for them.
class Win32Harness {
  public:
    explicit Win32Harness(const std::string& languageId = "0804") {
        printers_.names = {"Line1", "Line2"};
        printers_.defaultName = "Line1";
        locale_.id = languageId;
        pacer_.pumpEvents = [this] {
            if (form_)
                driver::ProcessMessages(form_->Handle());
        };
    }

    ui::TForm1& Form() {
        if (!form_) {
            platform::IPrinterList& printers = system_.printers ? *system_.printers : printers_;
            platform::IMessageBoxes& boxes =
                systemBoxes ? static_cast<platform::IMessageBoxes&>(windowBoxes_) : boxes_;
            op::Services services{printers, Transport(), book_,  locale_, clock_,
                                  boxes,    dialog_,     pacer_, nullptr};
            form_ = std::make_unique<ui::TForm1>(services);
            form_->Show();
            driver::ProcessMessages(form_->Handle());
        }
        return *form_;
    }
    void* Control(op::Control c) { return Form().ControlHandle(c); }
    void Click(op::Control c) {
        driver::Click(Control(c));
        driver::ProcessMessages(Form().Handle());
    }
    std::string TextOf(op::Control c) { return driver::TextOf(Control(c)); }

    // The system's printers and spooler instead of the doubles (before Form()).
    void UseSystemPrinters() { system_ = platform::CreateSystemBackends(""); }
    TTransport& Transport() {
        if (system_.spooler && !systemTransport_)
            systemTransport_ = std::make_unique<TTransport>(*system_.spooler, ports_, boxes_);
        return systemTransport_ ? *systemTransport_ : transport_;
    }

    FixedPrinters printers_;
    JobRecorder spooler_;
    ScriptedPorts ports_;
    RecordingBoxes boxes_;
    ScriptedFileDialog dialog_;
    FixedClock clock_;
    FixedLocale locale_;
    RecordingPacer pacer_;
    MemorySerialBook book_;
    // Set before the window is created: the window's own boxes (the system's MessageBoxW).
    bool systemBoxes = false;
    ui::Win32BoxPresenter presenter_;
    op::WindowBoxes windowBoxes_{presenter_};
    TTransport transport_{spooler_, ports_, boxes_};

  private:
    platform::SystemBackends system_;
    std::unique_ptr<TTransport> systemTransport_;
    std::unique_ptr<ui::TForm1> form_;
};

struct Win32Window {
    op::IForm& Form() { return harness.Form(); }
    Win32Harness harness;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormContract, Win32Window);

// The Win32 window's boxes keep the boxes' contract: the system's own box, found while it is up
// and answered with Enter where the keyboard's focus is.
struct Win32Boxes {
    op::IBoxPresenter& Presenter() { return presenter; }
    template <class F>
    SeenBox PressEnterWhileShown(F present) {
        auto shown = driver::PressEnterOnNextBox();
        present();
        const driver::ShownBox box = shown.get();
        return {box.caption, box.enterPressed};
    }
    ui::Win32BoxPresenter presenter;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, BoxContract, Win32Boxes);

TEST(Win32Window, DesignAndDefaultsAfterCreation) {
    Win32Harness h;
    auto& f = h.Form();
    EXPECT_EQ(driver::ClientWidth(f.Handle()), 411);
    EXPECT_EQ(driver::ClientHeight(f.Handle()), 544);
    EXPECT_EQ(driver::TextOf(f.Handle()), "蓝牙打印机配置文件下载工具 V1.0");
    EXPECT_EQ(h.TextOf(ctl::Edit1), "");
    EXPECT_EQ(h.TextOf(ctl::Edit2), "2800");
    EXPECT_EQ(h.TextOf(ctl::Edit3), "1800");
    EXPECT_EQ(h.TextOf(ctl::Edit4), "300");
    EXPECT_EQ(h.TextOf(ctl::Button3), "开始更新");
    EXPECT_EQ(h.TextOf(ctl::Button4), "退出(&Q)");
    EXPECT_EQ(h.TextOf(ctl::Button5), "english");
    EXPECT_EQ(h.TextOf(ctl::txtUpdateNo), "0001");
    EXPECT_EQ(f.Text(ctl::cboLanage), "15,CP936 [简体中文]");
    EXPECT_EQ(f.ItemCount(ctl::cboLanage), 35);
    EXPECT_EQ(f.Text(ctl::cmbDriver), "Line1");
    EXPECT_EQ(f.Text(ctl::lblNoYearMonth), "202612");
    EXPECT_EQ(f.Text(ctl::StatusPanel0), "提示信息：");
    EXPECT_TRUE(f.Checked(ctl::CheckBox12));
    EXPECT_TRUE(f.Checked(ctl::chkUpdateNo));
    EXPECT_TRUE(f.Checked(ctl::RadioButton2));
    EXPECT_FALSE(driver::IsEnabled(h.Control(ctl::Button2)));
    EXPECT_FALSE(driver::IsShown(h.Control(ctl::rdbLpt)));
    EXPECT_TRUE(driver::IsShown(h.Control(ctl::Button3)));
}

TEST(Win32Window, LanguageSwitchBothWaysThroughTheButton) {
    Win32Harness h("0804");
    h.Form();
    h.Click(ctl::Button5);
    EXPECT_EQ(h.TextOf(ctl::Button3), "start update");
    EXPECT_EQ(h.TextOf(ctl::CheckBox8), "he update check information");
    EXPECT_EQ(driver::TextOf(h.Form().Handle()), "Bluetooth printer configuration tool V1.7");
    EXPECT_EQ(h.Form().Text(ctl::cboLanage), "15, CP936 [simplified Chinese]");
    h.Click(ctl::Button5);
    EXPECT_EQ(h.TextOf(ctl::Button3), "启动更新");
    EXPECT_EQ(h.TextOf(ctl::Button5), "English");
    EXPECT_EQ(driver::TextOf(h.Form().Handle()), "蓝牙打印机配置文件下载工具  V1.7");
    // The longer English tab captions leave nothing behind beside the shorter ones.
    EXPECT_EQ(driver::ColoursBesideTheTabs(h.Control(ctl::PageControl1)), 1);
}

// Every caption of a button, check box or radio button fits its control in either language.
TEST(Win32Window, EveryCaptionFitsItsControl) {
    Win32Harness h;
    h.Form();
    for (const auto& row : op::CaptionTable()) {
        const std::string name = ctl::ObjectName(row.control);
        if (name.rfind("Button", 0) != 0 && name.rfind("CheckBox", 0) != 0 && name != "rdbDriver")
            continue;
        for (const char* text : {row.chinese, row.english, row.Design()}) {
            if (text != nullptr) {
                EXPECT_LE(driver::CaptionWidth(h.Control(row.control), text),
                          driver::ClientWidth(h.Control(row.control)))
                    << name << " " << text;
            }
        }
    }
}

TEST(Win32Window, CounterBoxTakesDigitsOnlyTypedOrPasted) {
    Win32Harness h;
    h.Form().SetText(ctl::txtUpdateNo, "");
    driver::Type(h.Control(ctl::txtUpdateNo), "a1 -+2x");
    EXPECT_EQ(h.TextOf(ctl::txtUpdateNo), "12");
    driver::Type(h.Control(ctl::txtUpdateNo), "\b");
    EXPECT_EQ(h.TextOf(ctl::txtUpdateNo), "1");
    driver::Type(h.Control(ctl::txtUpdateNo), "2345");
    EXPECT_EQ(h.TextOf(ctl::txtUpdateNo), "1234");  // at most four typed
    h.Form().SetText(ctl::txtUpdateNo, "");
    driver::Paste(h.Control(ctl::txtUpdateNo), "1-a3");
    EXPECT_EQ(h.TextOf(ctl::txtUpdateNo), "13");
    // Ctrl+V as the keyboard sends it: the same filtered paste.
    h.Form().SetText(ctl::txtUpdateNo, "");
    driver::PasteByKeyboard(h.Control(ctl::txtUpdateNo), "2x7");
    EXPECT_EQ(h.TextOf(ctl::txtUpdateNo), "27");
}

// The count of updated units stands in the gap of Label4, on top of it, in red.
TEST(Win32Window, UpdatedUnitsCountIsShownInRed) {
    Win32Harness h;
    h.Form();
    h.Click(ctl::Button3);
    EXPECT_EQ(h.TextOf(ctl::txtUpdateOverNum), "1");
    EXPECT_TRUE(driver::LiesAbove(h.Control(ctl::txtUpdateOverNum), h.Control(ctl::Label4)));
    EXPECT_EQ(driver::TextColorOf(h.Control(ctl::txtUpdateOverNum)), 0x0000FFu);  // 0xBBGGRR
}

// One input, one serial number: the Win32 window stamps the bytes of the stamp table (the
// command line on both builds is compared byte for byte by the wine script).
TEST(Win32Window, StampTable) {
    for (const auto& row : StampRows()) {
        Win32Harness h;
        h.book_.counter.kind = platform::StoredValue::Kind::Text;
        h.book_.counter.text = row.stored;
        if (row.usedBefore) {
            h.book_.ledger.push_back(
                {serials::SerialText("202612", 3), "stamped", "S0", "earlier", false});
        }
        h.boxes_.answer = true;
        h.Form();
        if (row.typed != nullptr) {
            h.Form().SetText(ctl::txtUpdateNo, "");
            driver::Type(h.Control(ctl::txtUpdateNo), row.typed);
        }
        h.Click(ctl::Button3);
        std::string stsn = h.spooler_.kept.empty() ? "<nothing>" : "";
        for (const auto& job : h.spooler_.kept) {
            if (text::HexBytes(job.bytes).rfind("1B 23 23 53 54 53 4E", 0) == 0)
                stsn = text::HexBytes(job.bytes);
        }
        EXPECT_EQ(stsn, row.stsn != nullptr ? row.stsn : "<nothing>") << row.what;
        EXPECT_EQ(h.book_.counter.text, row.storedAfter) << row.what;
    }
}

// Enter on the question of a used number (the system's own box) presses No: nothing is sent.
TEST(Win32Window, EnterOnTheReuseQuestionSendsNothing) {
    Win32Harness h;
    h.systemBoxes = true;
    h.book_.counter.kind = platform::StoredValue::Kind::Text;
    h.book_.counter.text = "0002";
    h.book_.ledger.push_back({"2026120001", "stamped", "S0", "earlier", false});
    h.Form();
    h.Form().SetText(ctl::txtUpdateNo, "0001");
    auto shown = driver::PressEnterOnNextBox();
    h.Click(ctl::Button3);
    const driver::ShownBox box = shown.get();
    EXPECT_EQ(box.caption, "打印机监控升级工具");
    EXPECT_EQ(box.enterPressed, "no");
    EXPECT_TRUE(h.spooler_.kept.empty());
    EXPECT_EQ(h.Form().Text(ctl::StatusPanel1), "序列号 2026120001 已用过，未更新");
}

TEST(Win32Window, DefaultRunThroughTheButtonWithItsPauses) {
    Win32Harness h;
    h.Form();
    h.Click(ctl::Button3);
    Strings sent = h.spooler_.Decoded();
    EXPECT_EQ(sent.size(), 10u);
    EXPECT_EQ(sent[7], "STSN \"2026120001\"");
    std::vector<int> pauses(13, 500);
    pauses.push_back(5000);
    EXPECT_EQ(h.pacer_.pauses, pauses);
    EXPECT_EQ(h.Form().Text(ctl::StatusPanel1), "更新结束");
    EXPECT_EQ(h.TextOf(ctl::txtUpdateNo), "0002");
    EXPECT_TRUE(driver::IsEnabled(h.Control(ctl::Button3)));
}

TEST(Win32Window, FailedConversionIsToldAndTheButtonComesBack) {
    Win32Harness h("0409");
    h.Form().SetText(ctl::Edit4, "");
    driver::Type(h.Control(ctl::Edit4), "abc");
    h.Click(ctl::Button3);
    EXPECT_EQ(h.boxes_.shown, Strings{"打印机监控升级工具! 'abc' is not a valid integer value."});
    EXPECT_EQ(h.spooler_.Decoded().size(), 0u);  // found before the first byte
    EXPECT_TRUE(driver::IsEnabled(h.Control(ctl::Button3)));
}

TEST(Win32Window, CloseDuringARunStopsItThenCloses) {
    Win32Harness h;
    auto& f = h.Form();
    h.pacer_.duringPause = [&](std::size_t n) {
        if (n == 3)
            driver::Click(h.Control(ctl::Button4));
    };
    h.Click(ctl::Button3);
    driver::ProcessMessages(f.Handle());
    EXPECT_FALSE(f.IsVisible());
    EXPECT_LT(h.spooler_.Decoded().size(), 10u);
}

TEST(Win32Window, AltQClosesTheWindow) {
    Win32Harness h;
    auto& f = h.Form();
    driver::PressAlt(f.Handle(), 'q');
    driver::ProcessMessages(f.Handle());
    EXPECT_FALSE(f.IsVisible());
}

TEST(Win32WaitDialog, EveryShowingGetsItsPeriodAndCancelEnds) {
    Win32Harness h;
    ui::TfrmWait wait(h.Form().Handle());
    for (int showing = 0; showing < 2; ++showing) {
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(wait.ShowModal(), ui::TfrmWait::kOk);
        EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1000));
    }
    driver::PostClick(wait.CancelButton());  // queued before the showing: it cancels at once
    EXPECT_EQ(wait.ShowModal(), ui::TfrmWait::kCancel);
}

// Through the system's spooler (wine's, which prints through the tests' scheduler): the printer
// list shows the queues, a Chinese name included, and a default run reaches the one chosen.
TEST(Win32Window, RunReachesTheChosenQueueOfTheSystem) {
    // The queue's name may be Chinese: read in UTF-8, not the ANSI code page.
    const auto queue = platform::EnvironmentVariable("BPCONF_WINE_RUN_QUEUE");
    if (!queue)
        GTEST_SKIP() << "BPCONF_WINE_RUN_QUEUE not set (the wine script sets it)";
    Win32Harness h;
    h.UseSystemPrinters();
    auto& f = h.Form();
    int index = -1;
    f.SetText(ctl::cmbDriver, *queue);
    index = f.ItemIndex(ctl::cmbDriver);
    ASSERT_GE(index, 0) << *queue << " is not in the printer list";
    driver::Select(h.Control(ctl::cmbDriver), index);
    h.Click(ctl::Button3);
    EXPECT_EQ(f.Text(ctl::StatusPanel1), "更新结束");
    EXPECT_EQ(h.boxes_.shown, Strings{});
}

}  // namespace
}  // namespace bpconf::test
