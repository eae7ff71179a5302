#include "ui/Unit1.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QValidator>

#include "operator/Design.h"
#include "ui/LogPane.h"

namespace bpconf::ui {

namespace {

QString ToQString(const std::string& s) {
    return QString::fromStdString(s);
}
std::string ToStdString(const QString& s) {
    return s.toStdString();
}

// txtUpdateNo: digits only, typed or pasted; everything else is dropped.
class CounterValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        const QString filtered =
            QString::fromStdString(op::SerialCounter::FilterPasted(input.toStdString()));
        if (filtered != input) {
            const int dropped = static_cast<int>(input.size()) - static_cast<int>(filtered.size());
            pos = std::max(0, pos - dropped);
            input = filtered;
        }
        return Acceptable;
    }
};

// The design limit of an edit box binds typing only: a longer text the system writes (the
// counter 10000 in a four-character box) is kept whole, and the limit returns once the operator
// has shortened the text again.
constexpr const char* kDesignLimit = "designMaxLength";

void SetLimitedText(QLineEdit* edit, const QString& text) {
    const int limit = edit->property(kDesignLimit).toInt();
    if (limit > 0)
        edit->setMaxLength(std::max(limit, static_cast<int>(text.size())));
    edit->setText(text);
}

QLabel* UnitLabel(QWidget* parent, const char* text, int x, int y) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setGeometry(x, y, 24, 20);
    return label;
}

}  // namespace

template <typename T>
T* TForm1::Make(QWidget* parent, op::Control control, int x, int y, int width, int height) {
    auto* widget = new T(parent);
    widget->setObjectName(op::ctl::ObjectName(control));
    widget->setGeometry(x, y, width, height);
    widgets_[control] = widget;
    return widget;
}

void QtPacer::Pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtPacer::Pause(int milliseconds) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the printer needs the whole pause.
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(milliseconds);
    QEventLoop* outer = loop_;
    loop_ = &loop;
    loop.exec();
    loop_ = outer;
}

void QtPacer::Interrupt() {
    if (loop_ != nullptr)
        loop_->quit();
}

TForm1::TForm1(op::Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint),
      pacer_(services.pacer) {
    setObjectName("Form1");
    BuildLayout();
    logic_ = std::make_unique<op::OperatorWindow>(*this, std::move(services));
    logic_->SetCloseWindow([this] { QTimer::singleShot(0, this, [this] { close(); }); });
    op::ApplyDesign(*this);
    Bind();
    logic_->Guarded([this] { logic_->FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::BuildLayout() {
    setFixedSize(411, 544);
    move(503, 150);
    QFont font("Tahoma");
    font.setPixelSize(11);  // the design's character height
    setFont(font);

    auto* group = Make<QGroupBox>(this, op::ctl::GroupBox1, 9, 2, 393, 57);
    auto* rdbDriver = Make<QRadioButton>(group, op::ctl::rdbDriver, 8, 24, 120, 20);
    Make<QComboBox>(group, op::ctl::cmbDriver, 128, 23, 114, 22);
    Make<QPushButton>(group, op::ctl::Button1, 246, 21, 70, 26);
    Make<QPushButton>(group, op::ctl::Button2, 318, 21, 70, 26);
    auto* rdbLpt = Make<QRadioButton>(group, op::ctl::rdbLpt, 8, 24, 100, 20);
    Make<QComboBox>(group, op::ctl::cmbLpt, 110, 23, 70, 22);
    auto* rdbCom = Make<QRadioButton>(group, op::ctl::rdbCom, 8, 24, 100, 20);
    Make<QComboBox>(group, op::ctl::cmbCom, 110, 23, 70, 22);
    Make<QLabel>(group, op::ctl::Panel5, 190, 24, 50, 20);
    Make<QComboBox>(group, op::ctl::cmbBaudRate, 240, 23, 70, 22);
    Make<QComboBox>(group, op::ctl::cmbShareHand, 310, 23, 80, 22);
    auto* connection = new QButtonGroup(this);
    for (QRadioButton* b : {rdbDriver, rdbLpt, rdbCom})
        connection->addButton(b);
    auto* rb1 = Make<QRadioButton>(group, op::ctl::RadioButton1, 200, 4, 60, 16);
    auto* rb2 = Make<QRadioButton>(group, op::ctl::RadioButton2, 260, 4, 60, 16);
    auto* header = new QButtonGroup(this);
    header->addButton(rb1);
    header->addButton(rb2);

    // The stamp label sits on the window behind the log pane (created first, so underneath).
    Make<QLabel>(this, op::ctl::lblNoYearMonth, 20, 250, 60, 16);

    auto* pages = Make<QTabWidget>(this, op::ctl::PageControl1, 9, 62, 393, 146);
    auto* page1 = Make<QWidget>(pages, op::ctl::TabSheet1, 0, 0, 0, 0);
    auto* page2 = Make<QWidget>(pages, op::ctl::TabSheet2, 0, 0, 0, 0);
    auto* page3 = Make<QWidget>(pages, op::ctl::TabSheet3, 0, 0, 0, 0);
    pages->addTab(page1, QString());
    pages->addTab(page2, QString());
    pages->addTab(page3, QString());

    Make<QCheckBox>(page1, op::ctl::CheckBox1, 6, 6, 84, 20);
    auto* cboLanage = Make<QComboBox>(page1, op::ctl::cboLanage, 90, 5, 290, 22);
    cboLanage->setMaxVisibleItems(16);
    Make<QCheckBox>(page1, op::ctl::CheckBox2, 6, 29, 110, 20);
    Make<QComboBox>(page1, op::ctl::cboLevel, 116, 28, 50, 22);
    Make<QCheckBox>(page1, op::ctl::CheckBox13, 180, 29, 100, 20);
    Make<QComboBox>(page1, op::ctl::ComboBox3, 280, 28, 100, 22);
    Make<QCheckBox>(page1, op::ctl::CheckBox5, 6, 52, 118, 20);
    Make<QLineEdit>(page1, op::ctl::Edit1, 124, 51, 54, 22);
    Make<QCheckBox>(page1, op::ctl::CheckBox11, 180, 52, 100, 20);
    Make<QLineEdit>(page1, op::ctl::Edit3, 280, 51, 64, 22);
    UnitLabel(page1, "s", 348, 52);
    Make<QCheckBox>(page1, op::ctl::CheckBox7, 6, 75, 124, 20);
    Make<QLineEdit>(page1, op::ctl::Edit2, 130, 74, 44, 22)->setMaxLength(32767);
    UnitLabel(page1, "mV", 176, 75);
    Make<QCheckBox>(page1, op::ctl::CheckBox6, 204, 75, 180, 20);
    Make<QCheckBox>(page1, op::ctl::CheckBox10, 6, 98, 110, 20);
    Make<QComboBox>(page1, op::ctl::cboNewCom, 116, 97, 80, 22);
    auto* restart = Make<QLabel>(page1, op::ctl::Label5, 200, 98, 90, 20);
    restart->setStyleSheet("color: red");

    Make<QCheckBox>(page2, op::ctl::CheckBox3, 6, 6, 200, 20);
    Make<QCheckBox>(page2, op::ctl::CheckBox9, 6, 32, 124, 20);
    Make<QComboBox>(page2, op::ctl::ComboBox2, 130, 31, 60, 22);
    Make<QCheckBox>(page2, op::ctl::CheckBox4, 6, 58, 260, 20);
    Make<QCheckBox>(page2, op::ctl::CheckBox12, 6, 84, 90, 20);
    Make<QLineEdit>(page2, op::ctl::Edit4, 96, 83, 64, 22);
    UnitLabel(page2, "s", 164, 84);

    Make<QCheckBox>(page3, op::ctl::chkUpdateNo, 6, 10, 130, 20);
    auto* date = Make<QDateEdit>(page3, op::ctl::DTPUpdateNo, 136, 9, 90, 22);
    date->setDisplayFormat("yyyyMM");
    date->setCalendarPopup(false);
    auto* counter = Make<QLineEdit>(page3, op::ctl::txtUpdateNo, 232, 9, 60, 22);
    counter->setFrame(false);
    counter->setValidator(new CounterValidator(counter));
    Make<QLabel>(page3, op::ctl::Label4, 6, 44, 200, 24);
    auto* units = Make<QLineEdit>(page3, op::ctl::txtUpdateOverNum, 72, 44, 60, 24);
    units->setReadOnly(true);
    units->setFrame(false);
    units->setStyleSheet("color: red; background: transparent");
    QFont big = units->font();
    big.setPixelSize(16);
    units->setFont(big);

    Make<QCheckBox>(this, op::ctl::CheckBox8, 9, 212, 200, 20);
    auto* memo = Make<LogPane>(this, op::ctl::Memo1, 9, 234, 393, 238);
    QFont memoFont("Tahoma");
    memoFont.setPixelSize(12);
    memo->setFont(memoFont);

    Make<QProgressBar>(this, op::ctl::ProgressBar1, 9, 481, 175, 22)->setTextVisible(false);
    Make<QPushButton>(this, op::ctl::Button3, 190, 478, 70, 28);
    Make<QPushButton>(this, op::ctl::Button4, 264, 478, 66, 28);
    Make<QPushButton>(this, op::ctl::Button5, 334, 478, 68, 28);

    auto* status = new QStatusBar(this);
    status->setObjectName("StatusBar1");
    status->setGeometry(0, 516, 411, 28);
    status->setSizeGripEnabled(false);
    auto* panel0 = new QLabel(status);
    panel0->setObjectName(op::ctl::ObjectName(op::ctl::StatusPanel0));
    panel0->setFixedWidth(80);
    widgets_[op::ctl::StatusPanel0] = panel0;
    auto* panel1 = new QLabel(status);
    panel1->setObjectName(op::ctl::ObjectName(op::ctl::StatusPanel1));
    panel1->setMinimumWidth(50);
    widgets_[op::ctl::StatusPanel1] = panel1;
    status->addWidget(panel0);
    status->addWidget(panel1, 1);

    for (const auto& limit : op::TextLimits()) {
        auto* edit = As<QLineEdit>(limit.control);
        edit->setProperty(kDesignLimit, limit.maxLength);
        edit->setMaxLength(limit.maxLength);
        connect(edit, &QLineEdit::textEdited, edit, [edit, limit](const QString& text) {
            if (text.size() <= limit.maxLength)
                edit->setMaxLength(limit.maxLength);
        });
    }
}

void TForm1::Bind() {
    auto guarded = [this](std::function<void()> f) { return [this, f] { logic_->Guarded(f); }; };
    for (op::Control radio : {op::ctl::rdbDriver, op::ctl::rdbLpt, op::ctl::rdbCom}) {
        auto* button = As<QRadioButton>(radio);
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                logic_->Guarded([this] { logic_->rdbDriverClick(); });
        });
    }
    for (op::Control sender : {op::ctl::Button4, op::ctl::Button5}) {
        connect(As<QPushButton>(sender), &QPushButton::clicked, this,
                guarded([this, sender] { logic_->Button4Click(sender); }));
    }
    connect(As<QPushButton>(op::ctl::Button3), &QPushButton::clicked, this,
            guarded([this] { logic_->Button3Click(); }));
    connect(As<QPushButton>(op::ctl::Button1), &QPushButton::clicked, this,
            guarded([this] { logic_->Button1Click(); }));
    connect(As<QPushButton>(op::ctl::Button2), &QPushButton::clicked, this,
            guarded([this] { logic_->Button2Click(); }));
    connect(As<QDateEdit>(op::ctl::DTPUpdateNo), &QDateEdit::dateChanged, this,
            guarded([this] { logic_->DTPUpdateNoChange(); }));
    // Only the operator's edits: the system's own writes into the box do not emit textEdited.
    connect(As<QLineEdit>(op::ctl::txtUpdateNo), &QLineEdit::textEdited, this,
            [this] { logic_->txtUpdateNoChange(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (logic_->Running()) {
        // The run stops at its next pump or pause, stores what it advanced and closes again.
        logic_->FormClose();
        pacer_.Interrupt();
        event->ignore();
        return;
    }
    if (!closing_) {
        closing_ = true;
        logic_->Guarded([this] { logic_->FormClose(); });
    }
    event->accept();
}

int TForm1::TabIndex(op::Control control) const {
    auto* pages = As<QTabWidget>(op::ctl::PageControl1);
    if (control != op::ctl::TabSheet1 && control != op::ctl::TabSheet2 &&
        control != op::ctl::TabSheet3)
        return -1;
    return pages->indexOf(Widget(control));
}

std::string TForm1::Text(op::Control control) const {
    if (control == op::ctl::Form)
        return ToStdString(windowTitle());
    if (const int tab = TabIndex(control); tab >= 0)
        return ToStdString(As<QTabWidget>(op::ctl::PageControl1)->tabText(tab));
    QWidget* w = Widget(control);
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return ToStdString(b->text());
    if (auto* c = qobject_cast<QComboBox*>(w))
        return ToStdString(c->currentText());
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return ToStdString(e->text());
    if (auto* l = qobject_cast<QLabel*>(w))
        return ToStdString(l->text());
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return ToStdString(g->title());
    return std::string();
}

void TForm1::SetText(op::Control control, const std::string& text) {
    if (control == op::ctl::Form) {
        setWindowTitle(ToQString(text));
        return;
    }
    if (const int tab = TabIndex(control); tab >= 0) {
        As<QTabWidget>(op::ctl::PageControl1)->setTabText(tab, ToQString(text));
        return;
    }
    QWidget* w = Widget(control);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(ToQString(text));
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->setCurrentIndex(c->findText(ToQString(text), Qt::MatchExactly | Qt::MatchCaseSensitive));
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        SetLimitedText(e, ToQString(text));
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(ToQString(text));
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(ToQString(text));
    }
}

bool TForm1::Checked(op::Control control) const {
    auto* b = As<QAbstractButton>(control);
    return b != nullptr && b->isChecked();
}

void TForm1::SetChecked(op::Control control, bool checked) {
    if (auto* b = As<QAbstractButton>(control))
        b->setChecked(checked);
}

int TForm1::ItemIndex(op::Control control) const {
    auto* c = As<QComboBox>(control);
    return c != nullptr ? c->currentIndex() : -1;
}

void TForm1::SetItemIndex(op::Control control, int index) {
    if (auto* c = As<QComboBox>(control))
        c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
}

int TForm1::ItemCount(op::Control control) const {
    auto* c = As<QComboBox>(control);
    return c != nullptr ? c->count() : 0;
}

void TForm1::SetItems(op::Control control, const std::vector<std::string>& items) {
    auto* c = As<QComboBox>(control);
    if (c == nullptr)
        return;
    c->clear();
    for (const auto& item : items)
        c->addItem(ToQString(item));
    c->setCurrentIndex(-1);
}

bool TForm1::Enabled(op::Control control) const {
    if (control == op::ctl::Form)
        return isEnabled();
    return Widget(control)->isEnabled();
}

void TForm1::SetEnabled(op::Control control, bool enabled) {
    if (control == op::ctl::Form)
        setEnabled(enabled);
    else
        Widget(control)->setEnabled(enabled);
}

bool TForm1::Visible(op::Control control) const {
    if (control == op::ctl::Form)
        return true;
    if (const int tab = TabIndex(control); tab >= 0)
        return As<QTabWidget>(op::ctl::PageControl1)->isTabVisible(tab);
    return !Widget(control)->isHidden();
}

void TForm1::SetVisible(op::Control control, bool visible) {
    if (control == op::ctl::Form)
        return;
    if (const int tab = TabIndex(control); tab >= 0) {
        As<QTabWidget>(op::ctl::PageControl1)->setTabVisible(tab, visible);
        return;
    }
    Widget(control)->setVisible(visible);
}

void TForm1::SetProgressRange(int minimum, int maximum, int) {
    As<QProgressBar>(op::ctl::ProgressBar1)->setRange(minimum, maximum);
}

int TForm1::ProgressPosition() const {
    return As<QProgressBar>(op::ctl::ProgressBar1)->value();
}

void TForm1::SetProgressPosition(int position) {
    auto* bar = As<QProgressBar>(op::ctl::ProgressBar1);
    bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
}

platform::LocalDateTime TForm1::Date() const {
    const QDate d = As<QDateEdit>(op::ctl::DTPUpdateNo)->date();
    platform::LocalDateTime t;
    t.year = d.year();
    t.month = d.month();
    t.day = d.day();
    return t;
}

void TForm1::SetDate(const platform::LocalDateTime& date) {
    As<QDateEdit>(op::ctl::DTPUpdateNo)->setDate(QDate(date.year, date.month, date.day));
}

void TForm1::ClearMemo() {
    As<LogPane>(op::ctl::Memo1)->clear();
}

void TForm1::AddMemoLine(const std::string& text) {
    As<LogPane>(op::ctl::Memo1)->appendLines(text);
}

std::string TForm1::MemoText() const {
    std::string text;
    for (char c : As<LogPane>(op::ctl::Memo1)->lines()) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
}

}  // namespace bpconf::ui
