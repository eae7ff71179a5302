#include <windows.h>

#include "platform/Console.h"
#include "platform/win32/WideText.h"

namespace bpconf::platform {

void ShowConsoleText(const std::string& utf8) {
    // A console program has its console; a window program borrows its parent's.
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        if (!::AttachConsole(ATTACH_PARENT_PROCESS))
            return;
        out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    }
    DWORD written = 0;
    const std::wstring wide = win32::Widen(utf8);
    if (!::WriteConsoleW(out, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr))
        ::WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace bpconf::platform
