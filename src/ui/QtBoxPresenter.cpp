#include "ui/QtBoxPresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace bpconf::ui {

namespace {

QMessageBox::Icon IconOf(op::BoxSpec::Icon icon) {
    switch (icon) {
        case op::BoxSpec::Icon::Warning:
            return QMessageBox::Warning;
        case op::BoxSpec::Icon::Error:
            return QMessageBox::Critical;
        case op::BoxSpec::Icon::Question:
            return QMessageBox::Question;
        case op::BoxSpec::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ButtonOf(op::BoxSpec::Answer answer) {
    switch (answer) {
        case op::BoxSpec::Answer::Yes:
            return QMessageBox::Yes;
        case op::BoxSpec::Answer::No:
            return QMessageBox::No;
        case op::BoxSpec::Answer::Ok:
            break;
    }
    return QMessageBox::Ok;
}

}  // namespace

op::BoxSpec::Answer QtBoxPresenter::Present(const op::BoxSpec& spec) {
    const bool question = spec.buttons == op::BoxSpec::Buttons::YesNo;
    QMessageBox box(IconOf(spec.icon), QString::fromStdString(spec.caption),
                    QString::fromStdString(spec.text),
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setDefaultButton(ButtonOf(spec.defaultAnswer));
    // Escape or the close box: the harmless answer.
    box.setEscapeButton(question ? QMessageBox::No : QMessageBox::Ok);
    const int pressed = box.exec();
    if (!question)
        return op::BoxSpec::Answer::Ok;
    return pressed == QMessageBox::Yes ? op::BoxSpec::Answer::Yes : op::BoxSpec::Answer::No;
}

void QtBoxPresenter::Soon(std::function<void()> show) {
    QTimer::singleShot(0, std::move(show));
}

}  // namespace bpconf::ui
