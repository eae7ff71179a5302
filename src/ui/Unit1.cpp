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
#include <QLibraryInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QValidator>

#include "operator/Design.h"
#include "operator/WindowLayout.h"
#include "ui/LogPane.h"

namespace bpconf::ui {

namespace {

QString ToQString(const std::string& s) {
    return QString::fromStdString(s);
}
std::string ToStdString(const QString& s) {
    return s.toStdString();
}

// txtUpdateNo: digits only, typed or pasted, at most the design's four (a longer number the
// system wrote can only be shortened). The limit is kept here, after the filter: the edit's own
// limit would cut a pasted "1a2-3" to "1a2-" before the letters are dropped.
class CounterValidator : public QValidator {
  public:
    CounterValidator(QLineEdit* edit, int designLimit)
        : QValidator(edit), previous_(edit->text()), designLimit_(designLimit) {
        // The text before the change under validation (the edit holds the new one by then).
        QObject::connect(edit, &QLineEdit::textChanged, this,
                         [this](const QString& text) { previous_ = text; });
    }
    State validate(QString& input, int& pos) const override {
        QString filtered =
            QString::fromStdString(op::SerialCounter::FilterPasted(input.toStdString()));
        const int limit = std::max({designLimit_, static_cast<int>(previous_.size()), written_});
        if (filtered.size() > limit)
            filtered.truncate(limit);
        if (filtered != input) {
            input = filtered;
            pos = std::min(pos, static_cast<int>(filtered.size()));
        }
        return Acceptable;
    }

    // The system writes a text of this length next: it is kept whole.
    void Writing(int length) { written_ = length; }

  private:
    QString previous_;
    int designLimit_;
    int written_ = 0;
};

// The design limit of an edit box binds typing only: a longer text the system writes (the
// counter 10000 in a four-character box) is kept whole, and the limit returns once the operator
// has shortened the text again.
constexpr const char* kDesignLimit = "designMaxLength";

void SetLimitedText(QLineEdit* edit, const QString& text) {
    const int limit = edit->property(kDesignLimit).toInt();
    if (limit > 0)
        edit->setMaxLength(std::max(limit, static_cast<int>(text.size())));
    auto* counter = dynamic_cast<CounterValidator*>(const_cast<QValidator*>(edit->validator()));
    if (counter != nullptr)
        counter->Writing(static_cast<int>(text.size()));
    edit->setText(text);
    if (counter != nullptr)
        counter->Writing(0);
}

}  // namespace

template <typename T>
T* TForm1::Make(QWidget* parent, const op::ControlPlace& place) {
    auto* widget = new T(parent);
    widget->setObjectName(op::ctl::ObjectName(place.control));
    widget->setGeometry(place.x, place.y, place.width, place.height);
    widgets_[place.control] = widget;
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
    FollowInterfaceLanguage();
}

void TForm1::FollowInterfaceLanguage() {
    const bool chinese = op::IsChinese(logic_->InterfaceLanguage());
    if (chinese == qtChineseInstalled_)
        return;
    if (!chinese) {
        QCoreApplication::removeTranslator(&qtChinese_);
        qtChineseInstalled_ = false;
        return;
    }
    // Without Qt's translations on the system, Qt's texts stay in English.
    const bool loaded =
        !qtChinese_.isEmpty() ||
        qtChinese_.load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (loaded)
        qtChineseInstalled_ = QCoreApplication::installTranslator(&qtChinese_);
}

TForm1::~TForm1() = default;

void TForm1::BuildLayout() {
    setFixedSize(op::kWindowWidth, op::kWindowHeight);
    move(op::kWindowLeft, op::kWindowTop);
    QFont font(op::kWindowFont);
    font.setPixelSize(op::kWindowFontPixels);
    setFont(font);

    auto* status = new QStatusBar(this);
    status->setObjectName("StatusBar1");
    status->setSizeGripEnabled(false);
    // Every control of the layout, under its design name, at its place.
    for (const auto& place : op::WindowLayout()) {
        QWidget* parent = place.parent == op::ctl::Form ? this : Widget(place.parent);
        using K = op::ControlKind;
        switch (place.kind) {
            case K::GroupBox:
                Make<QGroupBox>(parent, place);
                break;
            case K::RadioButton:
                Make<QRadioButton>(parent, place);
                break;
            case K::DropDownList:
                Make<QComboBox>(parent, place);
                break;
            case K::Button:
                Make<QPushButton>(parent, place);
                break;
            case K::PageControl:
                Make<QTabWidget>(parent, place);
                break;
            case K::TabPage:
                As<QTabWidget>(place.parent)->addTab(Make<QWidget>(nullptr, place), QString());
                break;
            case K::CheckBox:
                Make<QCheckBox>(parent, place);
                break;
            case K::EditBox:
                Make<QLineEdit>(parent, place);
                break;
            case K::Label:
                Make<QLabel>(parent, place);
                break;
            case K::UnitLabel:
                (new QLabel(QString::fromUtf8(place.text), parent))
                    ->setGeometry(place.x, place.y, place.width, place.height);
                break;
            case K::DatePicker:
                Make<QDateEdit>(parent, place);
                break;
            case K::LogPane:
                Make<LogPane>(parent, place);
                break;
            case K::ProgressBar:
                Make<QProgressBar>(parent, place);
                break;
            case K::StatusPanel:
                // Panels of the status bar, which spans the window's bottom.
                status->setGeometry(0, place.y, op::kWindowWidth, place.height);
                status->addWidget(Make<QLabel>(nullptr, place), place.x == 0 ? 0 : 1);
                Widget(place.control)->setFixedWidth(place.x == 0 ? place.width : QWIDGETSIZE_MAX);
                Widget(place.control)->setMinimumWidth(place.x == 0 ? place.width : 50);
                break;
        }
    }
    for (const auto& group : op::RadioGroups()) {
        auto* buttons = new QButtonGroup(this);
        for (op::Control radio : group)
            buttons->addButton(As<QRadioButton>(radio));
    }

    // What the design gives some controls beyond their place.
    // A scrolling list, not the style's full-height popup, which would ignore the row count.
    As<QComboBox>(op::ctl::cboLanage)->setStyleSheet("QComboBox { combobox-popup: 0; }");
    As<QComboBox>(op::ctl::cboLanage)->setMaxVisibleItems(op::kCodePageRows);
    As<QLineEdit>(op::ctl::Edit2)->setMaxLength(32767);
    As<QLabel>(op::ctl::Label5)->setStyleSheet("color: red");
    auto* date = As<QDateEdit>(op::ctl::DTPUpdateNo);
    date->setDisplayFormat("yyyyMM");
    date->setCalendarPopup(false);
    auto* counter = As<QLineEdit>(op::ctl::txtUpdateNo);
    counter->setFrame(false);
    for (const auto& limit : op::TextLimits()) {
        if (limit.control == op::ctl::txtUpdateNo)
            counter->setValidator(new CounterValidator(counter, limit.maxLength));
    }
    auto* units = As<QLineEdit>(op::ctl::txtUpdateOverNum);
    units->setReadOnly(true);
    units->setFrame(false);
    units->setStyleSheet("color: red; background: transparent");
    QFont big = units->font();
    big.setPixelSize(op::kUnitsFontPixels);
    units->setFont(big);
    QFont logFont(op::kWindowFont);
    logFont.setPixelSize(op::kLogFontPixels);
    As<LogPane>(op::ctl::Memo1)->setFont(logFont);
    As<QProgressBar>(op::ctl::ProgressBar1)->setTextVisible(false);

    for (const auto& limit : op::TextLimits()) {
        if (limit.control == op::ctl::txtUpdateNo)
            continue;  // its validator keeps the limit
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
        connect(As<QPushButton>(sender), &QPushButton::clicked, this, guarded([this, sender] {
                    logic_->Button4Click(sender);
                    FollowInterfaceLanguage();
                }));
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
