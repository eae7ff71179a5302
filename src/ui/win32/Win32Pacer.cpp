#include "ui/win32/Win32Pacer.h"

#include <windows.h>

#include <chrono>

namespace bpconf::ui {

bool PumpMessages(void* window) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the outer loop, which ends the program.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (window != nullptr && ::IsDialogMessageW(static_cast<HWND>(window), &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return true;
}

void Win32Pacer::Pump() {
    PumpMessages(window_);
}

void Win32Pacer::Pause(int milliseconds) {
    interrupted_ = false;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || interrupted_)
            return;
        // Rounded up: the printer needs the whole pause, never less.
        const DWORD wait = static_cast<DWORD>((left + 999) / 1000);
        ::MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (!PumpMessages(window_))
            return;
    }
}

}  // namespace bpconf::ui
