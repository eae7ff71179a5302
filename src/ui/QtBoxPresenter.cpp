#include "ui/QtBoxPresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace bpconf::ui {

namespace {

QMessageBox::Icon IconOf(op::BoxRequest::Icon icon) {
    switch (icon) {
        case op::BoxRequest::Icon::Warning:
            return QMessageBox::Warning;
        case op::BoxRequest::Icon::Error:
            return QMessageBox::Critical;
        case op::BoxRequest::Icon::Question:
            return QMessageBox::Question;
        case op::BoxRequest::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ButtonOf(op::BoxRequest::Answer answer) {
    switch (answer) {
        case op::BoxRequest::Answer::Yes:
            return QMessageBox::Yes;
        case op::BoxRequest::Answer::No:
            return QMessageBox::No;
        case op::BoxRequest::Answer::Ok:
            break;
    }
    return QMessageBox::Ok;
}

}  // namespace

op::BoxRequest::Answer QtBoxPresenter::Present(const op::BoxRequest& request) {
    const bool question = request.buttons == op::BoxRequest::Buttons::YesNo;
    QMessageBox box(IconOf(request.icon), QString::fromStdString(request.caption),
                    QString::fromStdString(request.text),
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setDefaultButton(ButtonOf(request.defaultAnswer));
    // Escape or the close box: the harmless answer.
    box.setEscapeButton(question ? QMessageBox::No : QMessageBox::Ok);
    const int pressed = box.exec();
    if (!question)
        return op::BoxRequest::Answer::Ok;
    return pressed == QMessageBox::Yes ? op::BoxRequest::Answer::Yes : op::BoxRequest::Answer::No;
}

void QtBoxPresenter::Soon(std::function<void()> show) {
    QTimer::singleShot(0, std::move(show));
}

}  // namespace bpconf::ui
