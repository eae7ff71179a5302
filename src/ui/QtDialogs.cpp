#include "ui/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

namespace bpconf::ui {

void QtMessageBoxes::Box(int icon, const char* caption, const std::string& text) {
    auto show = [icon, caption, text] {
        QMessageBox box(static_cast<QMessageBox::Icon>(icon), QString::fromUtf8(caption),
                        QString::fromStdString(text), QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    };
    if (holding_)
        held_.push_back(show);
    else
        show();
}

void QtMessageBoxes::Release() {
    holding_ = false;
    auto held = std::move(held_);
    held_.clear();
    QTimer::singleShot(0, [held] {
        for (const auto& show : held)
            show();
    });
}

void QtMessageBoxes::Warning(const std::string& text) {
    Box(QMessageBox::Warning, platform::kWarningCaption, text);
}

void QtMessageBoxes::Error(const std::string& text) {
    Box(QMessageBox::Critical, platform::kErrorCaption, text);
}

void QtMessageBoxes::Plain(const std::string& text) {
    Box(QMessageBox::NoIcon, platform::kApplicationTitle, text);
}

void QtMessageBoxes::Uncaught(const std::string& text) {
    Box(QMessageBox::Critical, platform::kApplicationTitle, text + ".");
}

bool QtMessageBoxes::Ask(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(platform::kApplicationTitle),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtFileDialog::OpenFile(const std::string& pattern,
                                                  const std::string& initialFolder) {
    const QString file = QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(),
                                                      QString::fromStdString(initialFolder),
                                                      QString::fromStdString(pattern));
    if (file.isEmpty())
        return std::nullopt;
    return file.toStdString();
}

}  // namespace bpconf::ui
