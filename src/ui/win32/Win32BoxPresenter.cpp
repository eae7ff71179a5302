#include "ui/win32/Win32BoxPresenter.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace bpconf::ui {

op::BoxRequest::Answer Win32BoxPresenter::Present(const op::BoxRequest& box) {
    using platform::win32::Widen;
    UINT style = box.buttons == op::BoxRequest::Buttons::YesNo ? MB_YESNO : MB_OK;
    switch (box.icon) {
        case op::BoxRequest::Icon::Warning:
            style |= MB_ICONWARNING;
            break;
        case op::BoxRequest::Icon::Error:
            style |= MB_ICONERROR;
            break;
        case op::BoxRequest::Icon::Question:
            style |= MB_ICONQUESTION;
            break;
        case op::BoxRequest::Icon::None:
            break;
    }
    // No is the second button of MB_YESNO: Enter presses the default.
    if (box.buttons == op::BoxRequest::Buttons::YesNo &&
        box.defaultAnswer == op::BoxRequest::Answer::No)
        style |= MB_DEFBUTTON2;
    const int pressed = ::MessageBoxW(::GetActiveWindow(), Widen(box.text).c_str(),
                                      Widen(box.caption).c_str(), style);
    if (box.buttons == op::BoxRequest::Buttons::Ok)
        return op::BoxRequest::Answer::Ok;
    return pressed == IDYES ? op::BoxRequest::Answer::Yes : op::BoxRequest::Answer::No;
}

}  // namespace bpconf::ui
