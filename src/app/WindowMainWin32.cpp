// bpconf.exe: the operator's window on Windows, a native Win32 window over the same logic.
#include <string>
#include <vector>

#include "app/StartupMark.h"
#include "app/WindowServices.h"
#include "platform/Console.h"
#include "platform/Environment.h"
#include "ui/win32/Unit1.h"
#include "ui/win32/Win32BoxPresenter.h"
#include "ui/win32/Win32FileDialog.h"
#include "ui/win32/Win32Pacer.h"
#include "ui/win32/untWait.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args = bpconf::platform::CommandLineArguments(argc, argv);
    if (const auto text = bpconf::app::AnswerWithoutWindow(args)) {
        bpconf::platform::ShowConsoleText(*text);
        return 0;
    }
    bpconf::ui::Win32BoxPresenter presenter;
    bpconf::ui::Win32FileDialog fileDialog;
    bpconf::ui::Win32Pacer pacer;
    bpconf::app::WindowServices window(presenter, fileDialog, pacer);
    bpconf::ui::TForm1 form1(window.Services());
    pacer.SetWindow(form1.Handle());
    bpconf::ui::TfrmWait frmWait(form1.Handle());
    window.Show(form1.Logic().InterfaceLanguage(), [&form1] {
        form1.Show();
        bpconf::app::MarkFirstPaint();
    });
    return bpconf::ui::RunMessageLoop(form1);
}
