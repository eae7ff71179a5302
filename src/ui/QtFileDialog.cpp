#include "ui/QtFileDialog.h"

#include <QApplication>
#include <QFileDialog>

namespace bpconf::ui {

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
