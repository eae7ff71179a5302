#include "ui/win32/Win32Driver.h"

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstring>
#include <set>
#include <thread>

#include "platform/win32/WideText.h"
#include "ui/win32/Win32Pacer.h"

namespace bpconf::ui::driver {

namespace {

HWND H(void* window) {
    return static_cast<HWND>(window);
}

}  // namespace

void Click(void* control) {
    ::SendMessageW(H(control), BM_CLICK, 0, 0);
}

void PostClick(void* control) {
    ::PostMessageW(H(control), BM_CLICK, 0, 0);
}

void Select(void* comboBox, int index) {
    ::SendMessageW(H(comboBox), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageW(::GetParent(H(comboBox)), WM_COMMAND,
                   MAKEWPARAM(::GetDlgCtrlID(H(comboBox)), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(comboBox));
}

void Type(void* edit, const std::string& text) {
    ::SetFocus(H(edit));
    for (wchar_t unit : platform::win32::Widen(text))
        ::SendMessageW(H(edit), WM_CHAR, unit, 1);
}

namespace {

void PutOnClipboard(HWND owner, const std::string& text) {
    const std::wstring wide = platform::win32::Widen(text);
    if (!::OpenClipboard(owner))
        return;
    ::EmptyClipboard();
    HGLOBAL data = ::GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    std::memcpy(::GlobalLock(data), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    ::GlobalUnlock(data);
    ::SetClipboardData(CF_UNICODETEXT, data);
    ::CloseClipboard();
}

// A visible dialog window (a message box) of this process, or nullptr.
HWND FindBox() {
    HWND found = nullptr;
    ::EnumWindows(
        [](HWND window, LPARAM result) -> BOOL {
            DWORD process = 0;
            ::GetWindowThreadProcessId(window, &process);
            wchar_t cls[16] = {};
            ::GetClassNameW(window, cls, 16);
            if (process == ::GetCurrentProcessId() && std::wcscmp(cls, L"#32770") == 0 &&
                ::IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(result) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

void Paste(void* edit, const std::string& text) {
    PutOnClipboard(H(edit), text);
    ::SendMessageW(H(edit), WM_PASTE, 0, 0);
}

void PasteByKeyboard(void* edit, const std::string& text) {
    PutOnClipboard(H(edit), text);
    ::SetFocus(H(edit));
    ::SendMessageW(H(edit), WM_CHAR, 0x16, 1);  // Ctrl+V
}

std::future<ShownBox> PressEnterOnNextBox() {
    return std::async(std::launch::async, [] {
        ShownBox shown;
        HWND box = nullptr;
        for (int i = 0; i < 3000 && box == nullptr; ++i) {
            box = FindBox();
            if (box == nullptr)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (box == nullptr)
            return shown;
        shown.caption = TextOf(box);
        // The default button is drawn as one (BS_DEFPUSHBUTTON): it is what Enter presses.
        for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
            wchar_t cls[16] = {};
            ::GetClassNameW(child, cls, 16);
            if (_wcsicmp(cls, L"Button") != 0 || (style & BS_TYPEMASK) != BS_DEFPUSHBUTTON)
                continue;
            const int button = ::GetDlgCtrlID(child);
            shown.enterPressed = button == IDNO ? "no" : button == IDYES ? "yes" : "ok";
        }
        // Enter where the keyboard's focus is, as the operator's key goes.
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        const DWORD thread = ::GetWindowThreadProcessId(box, nullptr);
        HWND target = ::GetGUIThreadInfo(thread, &gui) && gui.hwndFocus ? gui.hwndFocus : box;
        ::PostMessageW(target, WM_KEYDOWN, VK_RETURN, 1);
        ::PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC0000001);
        for (int i = 0; i < 500 && ::IsWindow(box); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return shown;
    });
}

void PressAlt(void* window, char letter) {
    ::SetForegroundWindow(H(window));
    ::PostMessageW(H(window), WM_SYSKEYDOWN, VK_MENU, 1 << 29);
    ::PostMessageW(H(window), WM_SYSCHAR, static_cast<WPARAM>(letter), 1 << 29);
    ::PostMessageW(H(window), WM_SYSKEYUP, VK_MENU, 0xC0000001);
    ProcessMessages(window);
}

void ProcessMessages(void* window) {
    PumpMessages(window);
}

std::string TextOf(void* window) {
    const int length = ::GetWindowTextLengthW(H(window));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::GetWindowTextW(H(window), text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return platform::win32::Narrow(text);
}

int ClientWidth(void* window) {
    RECT r;
    ::GetClientRect(H(window), &r);
    return r.right - r.left;
}

int ClientHeight(void* window) {
    RECT r;
    ::GetClientRect(H(window), &r);
    return r.bottom - r.top;
}

bool IsShown(void* window) {
    return ::IsWindow(H(window)) && ::IsWindowVisible(H(window));
}

int CaptionWidth(void* control, const std::string& caption) {
    std::wstring text;
    for (wchar_t c : platform::win32::Widen(caption)) {
        if (c != L'&')
            text += c;
    }
    HDC dc = ::GetDC(H(control));
    HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(H(control), WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(H(control), dc);
    const LONG type = ::GetWindowLongW(H(control), GWL_STYLE) & BS_TYPEMASK;
    const bool box = type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON ||
                     type == BS_RADIOBUTTON;
    return size.cx + (box ? ::GetSystemMetrics(SM_CXMENUCHECK) + 4 : 8);
}

bool IsEnabled(void* window) {
    return ::IsWindowEnabled(H(window)) != FALSE;
}

bool LiesAbove(void* upper, void* lower) {
    for (HWND next = ::GetWindow(H(upper), GW_HWNDNEXT); next != nullptr;
         next = ::GetWindow(next, GW_HWNDNEXT)) {
        if (next == H(lower))
            return true;
    }
    return false;
}

unsigned long TextColorOf(void* control) {
    HDC dc = ::GetDC(H(control));
    ::SendMessageW(::GetParent(H(control)), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(control));
    const COLORREF color = ::GetTextColor(dc);
    ::ReleaseDC(H(control), dc);
    return color;
}

int ColoursBesideTheTabs(void* tabControl) {
    HWND tab = H(tabControl);
    ::UpdateWindow(tab);
    const LRESULT count = ::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0);
    RECT last{}, client{};
    if (count <= 0 || !::SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(count - 1),
                                      reinterpret_cast<LPARAM>(&last)))
        return 0;
    ::GetClientRect(tab, &client);
    HDC dc = ::GetDC(tab);
    std::set<COLORREF> colours;
    for (LONG y = last.top + 2; y < last.bottom - 2; ++y) {
        for (LONG x = last.right + 4; x < client.right - 2; ++x)
            colours.insert(::GetPixel(dc, x, y));
    }
    ::ReleaseDC(tab, dc);
    return static_cast<int>(colours.size());
}

}  // namespace bpconf::ui::driver
