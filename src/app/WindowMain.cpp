// bpconf: the operator's window.
#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/StartupMark.h"
#include "app/WindowServices.h"
#include "operator/OperatorTexts.h"
#include "operator/OperatorWindow.h"
#include "ui/QtDialogs.h"
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
    if (argc > 1 &&
        (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(std::strcmp(argv[1], "--version") == 0
                       ? "bpconf " BPCONF_VERSION "\n"
                       : "usage: bpconf [--version]\n"
                         "The operator's window; bpconf-cli is the command line.\n",
                   stdout);
        return 0;
    }
    QApplication app(argc, argv);
    // The application title: the taskbar text and the caption of the plain and error boxes.
    QApplication::setApplicationName(QString::fromUtf8(bpconf::platform::kApplicationTitle));
    // The installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName("bpconf");
    QApplication::setWindowIcon(QIcon::fromTheme("bpconf"));

    // A first argument ("-client", "-KelvorServer") would change nothing: window creation
    // switches both modes on, so it is not read.
    bpconf::ui::QtMessageBoxes boxes;
    bpconf::ui::QtFileDialog fileDialog;
    bpconf::ui::QtPacer pacer;
    bpconf::app::WindowServices window(boxes, fileDialog, pacer);

    // A box of the window's creation (a spooler that cannot be reached) comes once it is shown.
    boxes.Hold();
    bpconf::ui::TForm1 form1(window.Services());
    bpconf::ui::TfrmWait frmWait(&form1);
    if (window.LineDatabaseIgnored())
        boxes.Warning(bpconf::op::LineDatabaseIgnoredText(form1.Logic().InterfaceLanguage()));
    FirstPaint firstPaint;
    form1.installEventFilter(&firstPaint);
    form1.show();
    boxes.Release();
    return QApplication::exec();
}
