// The window classes of this program, registered with the look they share.
#pragma once

#include <windows.h>

namespace bpconf::ui {

// Registers a window class of this program: the procedure, the cursor (IDC_ARROW, IDC_IBEAM),
// the background (a system colour index, or -1 for none) and the program's icon when asked.
// Registering a name again does nothing.
inline void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, const wchar_t* cursor,
                                int background, bool withIcon = false) {
    WNDCLASSW c{};
    c.lpfnWndProc = procedure;
    c.hInstance = ::GetModuleHandleW(nullptr);
    c.hCursor = cursor != nullptr ? ::LoadCursorW(nullptr, cursor) : nullptr;
    c.hIcon = withIcon ? ::LoadIconW(c.hInstance, MAKEINTRESOURCEW(1)) : nullptr;
    c.hbrBackground = background >= 0 ? reinterpret_cast<HBRUSH>(background + 1) : nullptr;
    c.lpszClassName = name;
    ::RegisterClassW(&c);
}

}  // namespace bpconf::ui
