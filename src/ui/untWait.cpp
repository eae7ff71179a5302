#include "ui/untWait.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace bpconf::ui {

TfrmWait::TfrmWait(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("frmWait");
    setWindowTitle(QStringLiteral("请稍候..."));
    setFixedSize(287, 90);
    move(364, 420);
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    setFont(font);

    auto* label = new QLabel(QStringLiteral("正在发送数据，请稍候..."), this);
    label->setObjectName("Label1");
    label->move(16, 16);

    auto* cancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    cancel->setObjectName("BitBtn1");
    cancel->setGeometry(192, 48, 75, 25);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

    timer_ = new QTimer(this);
    timer_->setObjectName("Timer1");
    timer_->setInterval(1000);
    // A coarse timer may fire up to 5 % early; every showing gets its full period.
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setSingleShot(false);
    connect(timer_, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void TfrmWait::showEvent(QShowEvent* event) {
    // Off and on again: every showing gets a full period.
    timer_->stop();
    timer_->start();
    QDialog::showEvent(event);
}

void TfrmWait::Timer1Timer() {
    Finish(kOk);
}

void TfrmWait::BitBtn1Click() {
    Finish(kCancel);
}

void TfrmWait::Finish(int result) {
    timer_->stop();
    finishing_ = true;
    done(result);
    finishing_ = false;
}

// Esc presses the cancel button.
void TfrmWait::reject() {
    BitBtn1Click();
}

// The title bar offers no way to close; only the timer, the button or Esc do.
void TfrmWait::closeEvent(QCloseEvent* event) {
    if (finishing_) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

}  // namespace bpconf::ui
