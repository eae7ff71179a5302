#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <fstream>

#include <QMessageBox>

#include "BoxContract.h"
#include "FormContract.h"
#include "WindowHarness.h"
#include "operator/LanguageTables.h"
#include "ui/LogPane.h"
#include "ui/untWait.h"

namespace bpconf {
namespace test {
namespace {

// The Qt window keeps the window interface's contract.
struct QtWindow {
    op::IForm& Form() { return harness.Form(); }
    WindowHarness harness;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, FormContract, QtWindow);

// The Qt window's boxes keep the boxes' contract: a box is found while it is up and Enter is
// pressed in it, as the operator's key goes.
struct QtBoxes {
    op::IBoxPresenter& Presenter() { return presenter; }
    template <class F>
    SeenBox PressEnterWhileShown(F present) {
        SeenBox seen;
        QTimer enter;
        QObject::connect(&enter, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            enter.stop();
            seen.caption = box->windowTitle().toStdString();
            const auto button = box->standardButton(box->defaultButton());
            seen.defaultButton = button == QMessageBox::No    ? "no"
                                 : button == QMessageBox::Yes ? "yes"
                                 : button == QMessageBox::Ok  ? "ok"
                                                              : "";
            QTest::keyClick(box, Qt::Key_Return);
        });
        enter.start(10);
        present();
        return seen;
    }
    ui::QtBoxPresenter presenter;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, BoxContract, QtBoxes);

}  // namespace
}  // namespace test

namespace {

using test::WindowHarness;

template <typename T>
T* W(ui::TForm1& form, const char* name) {
    T* w = form.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

std::string Str(const QString& s) {
    return s.toStdString();
}

TEST(WindowStart, DefaultsOfTheDesignAfterCreation) {
    WindowHarness h("0804");
    auto& f = h.Form();
    EXPECT_EQ(Str(f.windowTitle()), "蓝牙打印机配置文件下载工具 V1.0");
    EXPECT_EQ(f.size(), QSize(411, 544));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);

    EXPECT_EQ(Str(W<QLineEdit>(f, "Edit1")->text()), "");
    EXPECT_EQ(Str(W<QLineEdit>(f, "Edit2")->text()), "2800");
    EXPECT_EQ(Str(W<QLineEdit>(f, "Edit3")->text()), "1800");
    EXPECT_EQ(Str(W<QLineEdit>(f, "Edit4")->text()), "300");
    const struct {
        const char* box;
        bool ticked;
    } ticks[] = {{"CheckBox1", false},  {"CheckBox2", true},   {"CheckBox3", true},
                 {"CheckBox4", true},   {"CheckBox5", false},  {"CheckBox6", true},
                 {"CheckBox7", true},   {"CheckBox8", false},  {"CheckBox9", true},
                 {"CheckBox10", false}, {"CheckBox11", false}, {"CheckBox12", true},
                 {"CheckBox13", true},  {"chkUpdateNo", true}};
    for (const auto& t : ticks)
        EXPECT_EQ(W<QCheckBox>(f, t.box)->isChecked(), t.ticked) << t.box;
    EXPECT_TRUE(W<QRadioButton>(f, "RadioButton2")->isChecked());
    EXPECT_FALSE(W<QRadioButton>(f, "RadioButton1")->isChecked());
    EXPECT_FALSE(W<QRadioButton>(f, "RadioButton1")->isEnabled());
    EXPECT_TRUE(W<QRadioButton>(f, "rdbDriver")->isChecked());
    EXPECT_FALSE(W<QPushButton>(f, "Button2")->isEnabled());
    EXPECT_TRUE(W<QComboBox>(f, "cmbDriver")->isEnabled());
    EXPECT_FALSE(W<QComboBox>(f, "cmbLpt")->isEnabled());

    auto* cboLanage = W<QComboBox>(f, "cboLanage");
    EXPECT_EQ(cboLanage->count(), 35);
    EXPECT_EQ(cboLanage->currentIndex(), 14);
    EXPECT_EQ(Str(cboLanage->currentText()), "15,CP936 [简体中文]");
    EXPECT_EQ(cboLanage->maxVisibleItems(), 16);
    EXPECT_EQ(W<QComboBox>(f, "cboLevel")->count(), 40);
    EXPECT_EQ(Str(W<QComboBox>(f, "cboLevel")->currentText()), "28");
    EXPECT_EQ(W<QComboBox>(f, "cboNewCom")->currentIndex(), 5);
    EXPECT_EQ(Str(W<QComboBox>(f, "cboNewCom")->currentText()), "38400");
    EXPECT_EQ(Str(W<QComboBox>(f, "ComboBox2")->currentText()), "0A");
    EXPECT_EQ(Str(W<QComboBox>(f, "ComboBox3")->currentText()), "等宽");
    EXPECT_EQ(Str(W<QComboBox>(f, "cmbLpt")->currentText()), "LPT1");
    EXPECT_EQ(W<QComboBox>(f, "cmbCom")->count(), 29);
    EXPECT_EQ(Str(W<QComboBox>(f, "cmbBaudRate")->currentText()), "9600");
    EXPECT_EQ(Str(W<QComboBox>(f, "cmbShareHand")->currentText()), "无握手");

    auto* pages = W<QTabWidget>(f, "PageControl1");
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->currentIndex(), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(pages->isTabVisible(i)) << i;
    EXPECT_EQ(Str(pages->tabText(0)), "常用设置");
    EXPECT_EQ(Str(pages->tabText(1)), "特殊设置");
    EXPECT_EQ(Str(pages->tabText(2)), "生产设置");

    // The hidden controls of the design stay hidden.
    for (const char* hidden : {"rdbLpt", "cmbLpt", "rdbCom", "cmbCom", "Panel5", "cmbBaudRate",
                               "cmbShareHand", "RadioButton1", "RadioButton2"}) {
        EXPECT_TRUE(W<QWidget>(f, hidden)->isHidden()) << hidden;
    }
    EXPECT_EQ(Str(W<QLabel>(f, "StatusBar1.Panel0")->text()), "提示信息：");
    EXPECT_EQ(Str(W<QLabel>(f, "Label4")->text()), " 已更新：           台");
    EXPECT_EQ(Str(W<QLineEdit>(f, "txtUpdateOverNum")->text()), "0");
    EXPECT_TRUE(W<QLineEdit>(f, "txtUpdateOverNum")->isReadOnly());
    EXPECT_EQ(Str(W<QLabel>(f, "lblNoYearMonth")->text()), "202612");
    EXPECT_EQ(Str(W<QDateEdit>(f, "DTPUpdateNo")->displayFormat()), "yyyyMM");
    EXPECT_FALSE(W<QDateEdit>(f, "DTPUpdateNo")->calendarPopup());
    EXPECT_EQ(Str(W<QPushButton>(f, "Button4")->text()), "退出(&Q)");
}

TEST(WindowStart, SwitchButtonNamesTheOtherLanguageAndEverythingElseStaysChinese) {
    const struct {
        const char* id;
        const char* button5;
        const char* language;
    } cases[] = {{"0804", "english", "chinese"}, {"0004", "english", "chinese"},
                 {"1004", "english", "chinese"}, {"0404", "chinese", "english"},
                 {"0C04", "chinese", "english"}, {"0409", "chinese", "english"}};
    for (const auto& c : cases) {
        WindowHarness h(c.id);
        auto& f = h.Form();
        EXPECT_EQ(Str(W<QPushButton>(f, "Button5")->text()), c.button5) << c.id;
        EXPECT_EQ(h.Logic().InterfaceLanguage(), c.language) << c.id;
        EXPECT_EQ(Str(f.windowTitle()), "蓝牙打印机配置文件下载工具 V1.0") << c.id;
        EXPECT_EQ(Str(W<QPushButton>(f, "Button3")->text()), "开始更新") << c.id;
        EXPECT_EQ(Str(W<QCheckBox>(f, "CheckBox1")->text()), "语言设置：") << c.id;
    }
}

TEST(WindowStart, LengthLimitsOfTheEditBoxes) {
    WindowHarness h;
    auto& f = h.Form();
    const std::string seventeen = "abcdefghijklmnopq";
    for (const char* name : {"Edit1", "Edit3", "Edit4"}) {
        auto* edit = W<QLineEdit>(f, name);
        edit->clear();
        QTest::keyClicks(edit, QString::fromStdString(seventeen));
        EXPECT_EQ(Str(edit->text()), seventeen.substr(0, 16)) << name;
    }
    auto* edit2 = W<QLineEdit>(f, "Edit2");
    edit2->clear();
    QTest::keyClicks(edit2, QString(40, QChar('7')));
    EXPECT_EQ(edit2->text().size(), 40);
}

TEST(WindowStart, NoDefaultPrinterLeavesTheListUnselectedAndFinishesCreation) {
    WindowHarness h("0804", {"Line1", "Line2"}, std::nullopt);
    auto& f = h.Form();
    auto* list = W<QComboBox>(f, "cmbDriver");
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentIndex(), -1);
    // The creation steps after the printer list were done.
    EXPECT_EQ(Str(W<QLineEdit>(f, "Edit4")->text()), "300");
    EXPECT_EQ(Str(W<QPushButton>(f, "Button5")->text()), "english");
    EXPECT_TRUE(h.boxes_.shown.empty());
}

TEST(WindowStart, NoPrinterInstalled) {
    WindowHarness h("0804", {}, std::nullopt);
    auto& f = h.Form();
    EXPECT_EQ(W<QComboBox>(f, "cmbDriver")->count(), 0);
    EXPECT_EQ(W<QComboBox>(f, "cmbDriver")->currentIndex(), -1);
    EXPECT_FALSE(W<QPushButton>(f, "Button2")->isEnabled());
    EXPECT_TRUE(h.boxes_.shown.empty());
}

// A few captions written out apart from the table, so a wrong row in it is caught.
const std::vector<std::pair<op::Control, const char*>>& ChineseColumn() {
    using namespace op::ctl;
    static const std::vector<std::pair<op::Control, const char*>> kRows = {
        {GroupBox1, "连接设置"},    {rdbDriver, "选择打印机驱动:"},
        {CheckBox1, "语言设置："},  {CheckBox8, "更新自检信息"},
        {Button1, "打开文件"},      {Button2, "测试文件"},
        {Button3, "启动更新"},      {Button4, "退出"},
        {Button5, "English"},       {Label5, "(需重启)"},
        {CheckBox12, "老化时间："},
    };
    return kRows;
}

std::string Caption(ui::TForm1& f, op::Control control) {
    return f.Text(control);
}

TEST(WindowLanguage, SwitchAppliesEitherCaptionColumnWhole) {
    WindowHarness h("0804");
    auto& f = h.Form();
    QTest::mouseClick(W<QPushButton>(f, "Button5"), Qt::LeftButton);
    EXPECT_EQ(h.Logic().InterfaceLanguage(), "english");
    for (const auto& row : op::CaptionTable()) {
        if (row.english != nullptr) {
            EXPECT_EQ(Caption(f, row.control), row.english) << op::ctl::ObjectName(row.control);
        }
    }
    EXPECT_EQ(Str(f.windowTitle()), "Bluetooth printer configuration tool V1.7");
    EXPECT_EQ(Caption(f, op::ctl::CheckBox1), "language: ");
    EXPECT_EQ(Caption(f, op::ctl::CheckBox8), "he update check information");
    EXPECT_EQ(Str(W<QComboBox>(f, "cboLanage")->currentText()), "15, CP936 [simplified Chinese]");
    EXPECT_EQ(Str(W<QComboBox>(f, "cboLanage")->itemText(4)), "05, PC865 Nordic German, Germanic]");
    EXPECT_EQ(Str(W<QComboBox>(f, "ComboBox3")->itemText(1)), "Unequal width");
    // Never translated.
    EXPECT_EQ(Caption(f, op::ctl::chkUpdateNo), "自动更新序列号： ");
    EXPECT_EQ(Caption(f, op::ctl::Label4), " 已更新：           台");

    QTest::mouseClick(W<QPushButton>(f, "Button5"), Qt::LeftButton);
    EXPECT_EQ(h.Logic().InterfaceLanguage(), "chinese");
    for (const auto& row : op::CaptionTable()) {
        if (row.english != nullptr) {
            EXPECT_EQ(Caption(f, row.control), row.chinese) << op::ctl::ObjectName(row.control);
        }
    }
    for (const auto& [control, text] : ChineseColumn())
        EXPECT_EQ(Caption(f, control), text);
    EXPECT_EQ(Str(f.windowTitle()), "蓝牙打印机配置文件下载工具  V1.7");
    EXPECT_EQ(Str(W<QComboBox>(f, "cboLanage")->currentText()), "15,CP936 [简体中文]");
    EXPECT_EQ(Str(W<QComboBox>(f, "ComboBox3")->currentText()), "等宽");
}

// Every caption fits its control in either language: the English ones are longer.
TEST(WindowLanguage, EveryCaptionFitsItsControl) {
    WindowHarness h;
    auto& f = h.Form();
    for (const auto& row : op::CaptionTable()) {
        auto* w = f.findChild<QAbstractButton*>(op::ctl::ObjectName(row.control));
        if (w == nullptr)
            continue;
        const QStyle* style = w->style();
        const bool box = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
        const int chrome = box ? style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                                     style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w)
                               : 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w);
        for (const char* text : {row.chinese, row.english, row.Design()}) {
            if (text == nullptr)
                continue;
            const int needed =
                w->fontMetrics().horizontalAdvance(QString::fromUtf8(text).remove('&')) + chrome;
            EXPECT_LE(needed, w->width()) << op::ctl::ObjectName(row.control) << " " << text;
        }
    }
}

// Qt's own texts (the file dialog, the buttons of a box) speak the interface language too.
TEST(WindowLanguage, QtsOwnTextsFollowTheSwitch) {
    WindowHarness h("0804");
    auto& f = h.Form();
    const auto look = [] { return Str(QCoreApplication::translate("QFileDialog", "Look in:")); };
    const auto ok = [] { return Str(QCoreApplication::translate("QPlatformTheme", "OK")); };
    EXPECT_EQ(look(), "查找范围：");
    EXPECT_EQ(ok(), "确定");
    QTest::mouseClick(W<QPushButton>(f, "Button5"), Qt::LeftButton);
    EXPECT_EQ(look(), "Look in:");
    EXPECT_EQ(ok(), "OK");
    QTest::mouseClick(W<QPushButton>(f, "Button5"), Qt::LeftButton);
    EXPECT_EQ(ok(), "确定");
}

// The code-page list opens with 16 rows showing, whatever the style.
TEST(WindowLanguage, CodePageListShowsSixteenRows) {
    WindowHarness h;
    auto& f = h.Form();
    f.show();
    auto* list = W<QComboBox>(f, "cboLanage");
    list->showPopup();
    QAbstractItemView* view = list->view();
    const int rows = view->viewport()->height() / view->sizeHintForRow(0);
    list->hidePopup();
    EXPECT_EQ(rows, 16);
}

TEST(WindowLanguage, NonChineseSystemFirstPressLeadsToChinese) {
    WindowHarness h("0409");
    auto& f = h.Form();
    EXPECT_EQ(h.Logic().InterfaceLanguage(), "english");
    QTest::mouseClick(W<QPushButton>(f, "Button5"), Qt::LeftButton);
    EXPECT_EQ(h.Logic().InterfaceLanguage(), "chinese");
    EXPECT_EQ(Str(f.windowTitle()), "蓝牙打印机配置文件下载工具  V1.7");
    EXPECT_EQ(Caption(f, op::ctl::Button3), "启动更新");
    EXPECT_EQ(Caption(f, op::ctl::Button5), "English");
}

TEST(WindowLanguage, KeptAndResetStates) {
    WindowHarness h("0804", {"Line1", "Line2"}, "Line2");
    auto& f = h.Form();
    W<QCheckBox>(f, "CheckBox1")->setChecked(true);
    W<QCheckBox>(f, "CheckBox6")->setChecked(false);
    W<QLineEdit>(f, "Edit2")->setText("1234");
    W<QComboBox>(f, "cboLevel")->setCurrentIndex(3);
    W<QComboBox>(f, "ComboBox2")->setCurrentIndex(1);
    W<QComboBox>(f, "cboNewCom")->setCurrentIndex(7);
    W<QComboBox>(f, "cboLanage")->setCurrentIndex(2);
    W<QComboBox>(f, "ComboBox3")->setCurrentIndex(1);
    W<QComboBox>(f, "cmbDriver")->setCurrentIndex(0);
    W<QTabWidget>(f, "PageControl1")->setCurrentIndex(2);
    f.AddMemoLine(" 00 01");

    for (int press = 0; press < 3; ++press) {
        QTest::mouseClick(W<QPushButton>(f, "Button5"), Qt::LeftButton);
        EXPECT_TRUE(W<QCheckBox>(f, "CheckBox1")->isChecked());
        EXPECT_FALSE(W<QCheckBox>(f, "CheckBox6")->isChecked());
        EXPECT_EQ(Str(W<QLineEdit>(f, "Edit2")->text()), "1234");
        EXPECT_EQ(W<QComboBox>(f, "cboLevel")->currentIndex(), 3);
        EXPECT_EQ(W<QComboBox>(f, "ComboBox2")->currentIndex(), 1);
        EXPECT_EQ(W<QComboBox>(f, "cboNewCom")->currentIndex(), 7);
        EXPECT_EQ(W<QTabWidget>(f, "PageControl1")->currentIndex(), 2);
        EXPECT_EQ(Str(W<QLineEdit>(f, "txtUpdateNo")->text()), "0001");
        // Reset: default printer, code page 15, first font type.
        EXPECT_EQ(W<QComboBox>(f, "cboLanage")->currentIndex(), 14);
        EXPECT_EQ(W<QComboBox>(f, "ComboBox3")->currentIndex(), 0);
        EXPECT_EQ(Str(W<QComboBox>(f, "cmbDriver")->currentText()), "Line2");
        EXPECT_EQ(W<QComboBox>(f, "cmbDriver")->count(), 2);
    }
    EXPECT_EQ(Str(f.findChild<ui::LogPane*>("Memo1")->toPlainText()), " 00 01");
}

std::string StoredCounter(WindowHarness& h) {
    const auto v = h.store_.Read();
    return v.kind == platform::StoredValue::Kind::Text ? v.text : "<not text>";
}

TEST(WindowSerial, FirstStartCreatesTheValue) {
    WindowHarness h;
    EXPECT_EQ(Str(W<QLineEdit>(h.Form(), "txtUpdateNo")->text()), "0001");
    EXPECT_EQ(StoredCounter(h), "0001");
}

TEST(WindowSerial, StoreThatCannotBeReadLeavesTheBoxEmptyAndTheStoreAlone) {
    WindowHarness h;
    std::filesystem::create_directories(h.store_.Path());
    EXPECT_EQ(Str(W<QLineEdit>(h.Form(), "txtUpdateNo")->text()), "");
    EXPECT_TRUE(std::filesystem::is_directory(h.store_.Path()));
}

TEST(WindowSerial, StoredValuesAndWhatTheBoxShows) {
    const struct {
        const char* stored;  // the whole value line
        const char* shown;
        const char* storedAfter;
    } cases[] = {
        {"\"Num\"=\"12\"", "0012", "12"},
        {"\"Num\"=\"0003\"", "0003", "0003"},
        {"\"num\"=\"12345\"", "12345", "12345"},
        {"\"Num\"=\" 7\"", "0007", " 7"},
        // A value that is there but no counter is left for the operator to mend, never replaced
        // by 0001 (which would hand out used numbers again).
        {"\"Num\"=\"abc\"", "", "abc"},
        {"\"Num\"=\"\"", "", ""},
        {"\"Num\"=\"-3\"", "", "-3"},
        {"\"Num\"=\"2147483648\"", "", "2147483648"},
        {"\"Num\"=dword:0000000c", "", "<not text>"},
    };
    for (const auto& c : cases) {
        WindowHarness h;
        std::filesystem::create_directories(h.dir_.path() / "kelvor");
        std::ofstream(h.store_.Path()) << "Windows Registry Editor Version 5.00\r\n\r\n"
                                          "[HKEY_CURRENT_USER\\SOFTWARE\\kelvor\\PrinterTest]\r\n"
                                       << c.stored << "\r\n";
        EXPECT_EQ(Str(W<QLineEdit>(h.Form(), "txtUpdateNo")->text()), c.shown) << c.stored;
        EXPECT_EQ(StoredCounter(h), c.storedAfter) << c.stored;
    }
}

TEST(WindowSerial, TypingAndPastingKeepOnlyDigits) {
    WindowHarness h;
    auto* box = W<QLineEdit>(h.Form(), "txtUpdateNo");
    box->clear();
    QTest::keyClicks(box, "a1 -+2x");
    EXPECT_EQ(Str(box->text()), "12");
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(Str(box->text()), "1");
    QTest::keyClicks(box, "2345");
    EXPECT_EQ(Str(box->text()), "1234");
    // What a paste inserts: the digits, four at the most, the letters dropped before the limit.
    for (const auto& [pasted, kept] :
         {std::pair{"1-a3", "13"}, {"1a2-3", "123"}, {"x12345", "1234"}}) {
        box->clear();
        box->insert(pasted);
        EXPECT_EQ(Str(box->text()), kept) << pasted;
    }
    // The system may write more than four digits; typing can only shorten it.
    h.Form().SetText(op::ctl::txtUpdateNo, "10000");
    EXPECT_EQ(Str(box->text()), "10000");
    box->end(false);
    QTest::keyClicks(box, "5");
    EXPECT_EQ(Str(box->text()), "10000");
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(Str(box->text()), "1000");
    QTest::keyClicks(box, "99");
    EXPECT_EQ(Str(box->text()), "1000");
    EXPECT_TRUE(op::SerialCounter::KeyPasses(U'7'));
    EXPECT_TRUE(op::SerialCounter::KeyPasses(U'\b'));
    EXPECT_FALSE(op::SerialCounter::KeyPasses(U'-'));
    EXPECT_FALSE(op::SerialCounter::KeyPasses(U'５'));
}

TEST(WindowSerial, DateChangeMovesTheStampOnly) {
    WindowHarness h;
    auto& f = h.Form();
    W<QDateEdit>(f, "DTPUpdateNo")->setDate(QDate(2027, 3, 1));
    EXPECT_EQ(Str(W<QLabel>(f, "lblNoYearMonth")->text()), "202703");
    EXPECT_EQ(Str(W<QLineEdit>(f, "txtUpdateNo")->text()), "0001");
    EXPECT_EQ(Str(W<QLineEdit>(f, "txtUpdateOverNum")->text()), "0");
}

TEST(WindowSerial, ClosingByButton4OrCloseBoxStoresTheOperatorsCounter) {
    for (bool byButton : {true, false}) {
        WindowHarness h;
        auto& f = h.Form();
        f.show();
        auto* box = W<QLineEdit>(f, "txtUpdateNo");
        box->clear();
        QTest::keyClicks(box, "0042");
        if (byButton) {
            QTest::mouseClick(W<QPushButton>(f, "Button4"), Qt::LeftButton);
            QTest::qWait(50);
        } else {
            f.close();
        }
        EXPECT_FALSE(f.isVisible()) << byButton;
        EXPECT_EQ(StoredCounter(h), "0042") << byButton;
        EXPECT_TRUE(h.Logic().Package().Contents().List().empty());
        EXPECT_TRUE(h.boxes_.shown.empty());
    }
}

// A window left open behind another one must not roll the counter back when it closes.
TEST(WindowSerial, StaleWindowClosedAfterAnotherProgramStampedKeepsTheNewerValue) {
    WindowHarness h;
    auto& f = h.Form();
    EXPECT_EQ(Str(W<QLineEdit>(f, "txtUpdateNo")->text()), "0001");
    ASSERT_TRUE(platform::RegFileCounterStore(h.store_.Path()).Write("0017"));
    f.close();
    EXPECT_EQ(StoredCounter(h), "0017");
    EXPECT_TRUE(h.boxes_.shown.empty());
}

TEST(WindowSerial, ClosingNeverStoresABoxThatHoldsNoNumberAndSaysSo) {
    for (const char* language : {"0804", "0409"}) {
        WindowHarness h(language);
        auto& f = h.Form();
        ASSERT_TRUE(h.store_.Write("0017"));
        W<QLineEdit>(f, "txtUpdateNo")->clear();
        f.close();
        EXPECT_EQ(StoredCounter(h), "0017");
        ASSERT_EQ(h.boxes_.shown.size(), 1u);
        EXPECT_EQ(h.boxes_.shown[0],
                  std::string(language == std::string("0804")
                                  ? "错误: 序列号框中的“”不是整数，未保存；计数器保持原值。"
                                  : "错误: The serial-number box holds '', which is not a whole "
                                    "number; it was not stored and the counter keeps its value."));
    }
}

TEST(WindowSerial, FailedStoreAtClosingIsShownAndNeverReplacedBy0001) {
    WindowHarness h("0409");
    auto& f = h.Form();
    W<QLineEdit>(f, "txtUpdateNo")->setText("0042");
    // A folder where the store's file should be.
    std::filesystem::remove(h.store_.Path());
    std::filesystem::create_directories(h.store_.Path());
    f.close();
    EXPECT_TRUE(std::filesystem::is_directory(h.store_.Path()));
    ASSERT_EQ(h.boxes_.shown.size(), 1u);
    EXPECT_EQ(h.boxes_.shown[0],
              "错误: The serial-number counter 0042 was not stored: The "
              "serial-number counter " +
                  h.store_.Path() + " cannot be read: Is a directory.");
}

TEST(WindowFailures, HandlerFailuresReachTheStandardErrorBoxAndTheWindowStays) {
    WindowHarness h;
    auto& f = h.Form();
    W<QLineEdit>(f, "txtUpdateNo")->setText("");
    EXPECT_FALSE(h.Logic().Guarded([&] { h.Logic().Serial().Claim(); }));
    EXPECT_EQ(h.boxes_.shown,
              std::vector<std::string>{"打印机监控升级工具! '' is not a valid integer value."});
    EXPECT_EQ(Str(W<QLineEdit>(f, "txtUpdateNo")->text()), "");
    EXPECT_EQ(StoredCounter(h), "0001");
}

TEST(WaitDialog, DesignAndEveryShowingGetsItsFullPeriod) {
    ui::TfrmWait dialog;
    EXPECT_EQ(Str(dialog.windowTitle()), "请稍候...");
    EXPECT_EQ(dialog.size(), QSize(287, 90));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(Str(dialog.findChild<QLabel*>("Label1")->text()), "正在发送数据，请稍候...");
    EXPECT_EQ(Str(dialog.findChild<QPushButton*>("BitBtn1")->text()), "取消(&C)");
    EXPECT_FALSE(dialog.Timer1()->isActive());
    EXPECT_EQ(dialog.Timer1()->interval(), 1000);
    for (int showing = 0; showing < 2; ++showing) {
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(dialog.exec(), ui::TfrmWait::kOk);
        EXPECT_GE(clock.elapsed(), 990) << showing;
        EXPECT_FALSE(dialog.Timer1()->isActive());
    }
}

TEST(WaitDialog, CancelByButtonOrEscThenTheNextShowingStillGetsItsPeriod) {
    ui::TfrmWait dialog;
    QTimer::singleShot(100, &dialog, [&] {
        QTest::mouseClick(dialog.findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.exec(), ui::TfrmWait::kCancel);
    QTimer::singleShot(100, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(dialog.exec(), ui::TfrmWait::kCancel);
    // The close box is not there, and a close request from the system is refused.
    QTimer::singleShot(100, &dialog, [&] { dialog.close(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(dialog.exec(), ui::TfrmWait::kOk);
    EXPECT_GE(clock.elapsed(), 990);
}

}  // namespace
}  // namespace bpconf
