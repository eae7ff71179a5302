// bpconf: the operator's window.
#include <QApplication>
#include <cstdlib>
#include <string>

#include "operator/OperatorWindow.h"
#include "operator/RunTimeouts.h"
#include "platform/AnsiText.h"
#include "platform/Backends.h"
#include "transport/untFunction.h"
#include "ui/QtDialogs.h"
#include "ui/Unit1.h"
#include "ui/untWait.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The application title: the taskbar text and the caption of the plain and error boxes.
    QApplication::setApplicationName(QString::fromUtf8(bpconf::platform::kApplicationTitle));

    // A first argument ("-client", "-KelvorServer") would change nothing: window creation
    // switches both modes on, so it is not read.
    const char* capture = std::getenv("BPCONF_CAPTURE_DIR");
    auto backends = bpconf::platform::CreateSystemBackends(capture != nullptr ? capture : "");
    bpconf::ui::QtMessageBoxes boxes;
    bpconf::ui::QtFileDialog fileDialog;
    bpconf::ui::QtPacer pacer;
    bpconf::TTransport transport(*backends.spooler, *backends.ports, boxes);
    bpconf::op::Services services{
        *backends.printers, transport,       *backends.counter,
        *backends.locale,   *backends.clock, boxes,
        fileDialog,         pacer,           bpconf::platform::Utf8ToAnsi};
    // How long a job may take to reach the printer (seconds); the default when unset or unusable.
    if (const char* timeout = std::getenv("BPCONF_JOB_TIMEOUT"))
        bpconf::op::ParseJobTimeout(timeout, services.jobTimeoutMs);

    // A box of the window's creation (a spooler that cannot be reached) comes once it is shown.
    boxes.Hold();
    bpconf::ui::TForm1 form1(services);
    bpconf::ui::TfrmWait frmWait(&form1);
    form1.show();
    boxes.Release();
    return QApplication::exec();
}
