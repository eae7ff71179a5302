#include "ui/win32/Win32BoxPresenter.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace bpconf::ui {

op::BoxSpec::Answer Win32BoxPresenter::Present(const op::BoxSpec& box) {
    using platform::win32::Widen;
    UINT style = box.buttons == op::BoxSpec::Buttons::YesNo ? MB_YESNO : MB_OK;
    switch (box.icon) {
        case op::BoxSpec::Icon::Warning:
            style |= MB_ICONWARNING;
            break;
        case op::BoxSpec::Icon::Error:
            style |= MB_ICONERROR;
            break;
        case op::BoxSpec::Icon::Question:
            style |= MB_ICONQUESTION;
            break;
        case op::BoxSpec::Icon::None:
            break;
    }
    // No is the second button of MB_YESNO: Enter presses the default.
    if (box.buttons == op::BoxSpec::Buttons::YesNo && box.defaultAnswer == op::BoxSpec::Answer::No)
        style |= MB_DEFBUTTON2;
    const int pressed = ::MessageBoxW(::GetActiveWindow(), Widen(box.text).c_str(),
                                      Widen(box.caption).c_str(), style);
    if (box.buttons == op::BoxSpec::Buttons::Ok)
        return op::BoxSpec::Answer::Ok;
    return pressed == IDYES ? op::BoxSpec::Answer::Yes : op::BoxSpec::Answer::No;
}

}  // namespace bpconf::ui
