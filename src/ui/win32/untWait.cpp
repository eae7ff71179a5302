#include "ui/win32/untWait.h"
#include "ui/win32/WindowClass.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace bpconf::ui {

namespace {

const wchar_t* const kClass = L"BpconfTfrmWait";
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimerPeriodMs = 1000;

}  // namespace

struct TfrmWait::Impl {
    HWND owner = nullptr;
    HWND window = nullptr;
    HWND label = nullptr;
    HWND cancel = nullptr;
    HFONT font = nullptr;
    int result = 0;

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
            ::SetWindowLongPtrW(window, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* impl = reinterpret_cast<Impl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
            case WM_TIMER:
                // Timer1Timer: the period is over; the timer stops until the next showing.
                if (w == kTimer1 && impl != nullptr) {
                    ::KillTimer(window, kTimer1);
                    impl->result = kOk;
                }
                return 0;
            case WM_COMMAND:
                // BitBtn1Click, and Esc (IDCANCEL): Cancel.
                if (LOWORD(w) == IDCANCEL && impl != nullptr)
                    impl->result = kCancel;
                return 0;
            case WM_CLOSE:
                return 0;  // no close box, and Alt+F4 does not close it either
        }
        return ::DefWindowProcW(window, message, w, l);
    }
};

TfrmWait::TfrmWait(void* owner) : impl_(std::make_unique<Impl>()) {
    impl_->owner = static_cast<HWND>(owner);
    RegisterWindowClass(kClass, &Impl::Procedure, IDC_ARROW, COLOR_BTNFACE);
    // A fixed border with a caption and no title-bar buttons: no close box.
    const DWORD style = WS_POPUP | WS_CAPTION;
    RECT frame{0, 0, 287, 90};
    ::AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT);
    impl_->window =
        ::CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kClass, L"请稍候...", style,
                          364, 420, frame.right - frame.left, frame.bottom - frame.top,
                          impl_->owner, nullptr, ::GetModuleHandleW(nullptr), impl_.get());
    impl_->font = ::CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, L"宋体");
    impl_->label =
        ::CreateWindowExW(0, L"STATIC", L"正在发送数据，请稍候...", WS_CHILD | WS_VISIBLE, 16, 16,
                          250, 16, impl_->window, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    impl_->cancel = ::CreateWindowExW(
        0, L"BUTTON", L"取消(&C)", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 192, 48, 75,
        25, impl_->window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)),
        ::GetModuleHandleW(nullptr), nullptr);
    for (HWND h : {impl_->label, impl_->cancel})
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(impl_->font), FALSE);
}

TfrmWait::~TfrmWait() {
    if (::IsWindow(impl_->window))
        ::DestroyWindow(impl_->window);
    ::DeleteObject(impl_->font);
}

int TfrmWait::ShowModal() {
    impl_->result = 0;
    // FormShow: off and on again, so every showing gets a full period.
    ::KillTimer(impl_->window, kTimer1);
    ::SetTimer(impl_->window, kTimer1, kTimerPeriodMs, nullptr);
    const bool ownerEnabled = impl_->owner != nullptr && ::IsWindowEnabled(impl_->owner);
    if (ownerEnabled)
        ::EnableWindow(impl_->owner, FALSE);
    ::ShowWindow(impl_->window, SW_SHOW);
    MSG msg;
    while (impl_->result == 0 && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (::IsDialogMessageW(impl_->window, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::KillTimer(impl_->window, kTimer1);
    if (ownerEnabled)
        ::EnableWindow(impl_->owner, TRUE);
    ::ShowWindow(impl_->window, SW_HIDE);
    return impl_->result;
}

void* TfrmWait::Handle() const {
    return impl_->window;
}

void* TfrmWait::CancelButton() const {
    return impl_->cancel;
}

}  // namespace bpconf::ui
