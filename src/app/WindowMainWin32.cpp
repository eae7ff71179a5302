// bpconf.exe: the operator's window on Windows, a native Win32 window over the same logic.
#include <string>
#include <vector>

#include "app/StartupMark.h"
#include "app/WindowServices.h"
#include "operator/OperatorTexts.h"
#include "platform/Console.h"
#include "platform/Environment.h"
#include "ui/win32/Unit1.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/Win32Pacer.h"
#include "ui/win32/untWait.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args = bpconf::platform::CommandLineArguments(argc, argv);
    if (args.size() > 1 && (args[1] == "--version" || args[1] == "--help")) {
        bpconf::platform::ShowConsoleText(
            args[1] == "--version" ? "bpconf " BPCONF_VERSION "\n"
                                   : "usage: bpconf [--version]\n"
                                     "The operator's window; bpconf-cli is the command line.\n");
        return 0;
    }
    // A first argument ("-client", "-KelvorServer") would change nothing: window creation
    // switches both modes on, so it is not read.

    bpconf::ui::Win32MessageBoxes boxes;
    bpconf::ui::Win32FileDialog fileDialog;
    bpconf::ui::Win32Pacer pacer;
    bpconf::app::WindowServices window(boxes, fileDialog, pacer);

    // A box of the window's creation (a spooler that cannot be reached) comes once it is shown.
    boxes.Hold();
    bpconf::ui::TForm1 form1(window.Services());
    pacer.SetWindow(form1.Handle());
    bpconf::ui::TfrmWait frmWait(form1.Handle());
    if (window.LineDatabaseIgnored())
        boxes.Warning(bpconf::op::LineDatabaseIgnoredText(form1.Logic().InterfaceLanguage()));
    form1.Show();
    bpconf::app::MarkFirstPaint();
    boxes.Release();
    return bpconf::ui::RunMessageLoop(form1);
}
