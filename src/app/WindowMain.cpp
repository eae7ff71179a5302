// bpconf: the operator's window.
#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/StartupMark.h"
#include "app/WindowServices.h"
#include "ui/QtBoxPresenter.h"
#include "ui/QtFileDialog.h"
#include "ui/Unit1.h"
#include "ui/untWait.h"

namespace {

// Marks the window's first paint for the start-up benchmark.
class FirstPaint : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // After the paint has gone to the screen.
            QTimer::singleShot(0, [] { bpconf::app::MarkFirstPaint(); });
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Answered before any display is opened: works on a machine without one.
    if (const auto text =
            bpconf::app::AnswerWithoutWindow(std::vector<std::string>(argv, argv + argc))) {
        std::fputs(text->c_str(), stdout);
        return 0;
    }
    QApplication app(argc, argv);
    // The application title: the taskbar text and the caption of the plain and error boxes.
    QApplication::setApplicationName(QString::fromUtf8(bpconf::platform::kApplicationTitle));
    // The installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName("bpconf");
    QApplication::setWindowIcon(QIcon::fromTheme("bpconf"));

    bpconf::ui::QtBoxPresenter presenter;
    bpconf::ui::QtFileDialog fileDialog;
    bpconf::ui::QtPacer pacer;
    bpconf::app::WindowServices window(presenter, fileDialog, pacer);
    bpconf::ui::TForm1 form1(window.Services());
    bpconf::ui::TfrmWait frmWait(&form1);
    FirstPaint firstPaint;
    form1.installEventFilter(&firstPaint);
    window.Show(form1.Logic().InterfaceLanguage(), [&form1] { form1.show(); });
    return QApplication::exec();
}
