#include "ui/win32/LogPane.h"
#include "ui/win32/WindowClass.h"

#include <algorithm>

#include "platform/win32/WideText.h"

namespace bpconf::ui {

namespace {

const wchar_t* const kClass = L"BpconfLogPane";

}  // namespace

LogPane::LogPane(HWND parent, int x, int y, int width, int height, HFONT font) : font_(font) {
    RegisterWindowClass(kClass, &LogPane::Procedure, IDC_IBEAM, COLOR_WINDOW);
    window_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, kClass, L"",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP, x, y, width,
                                height, parent, nullptr, ::GetModuleHandleW(nullptr), this);
    HDC dc = ::GetDC(window_);
    HGDIOBJ old = ::SelectObject(dc, font_);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    lineHeight_ = metrics.tmHeight;
    ::SelectObject(dc, old);
    ::ReleaseDC(window_, dc);
    UpdateScrollBar();
}

void LogPane::Clear() {
    text_.clear();
    starts_.clear();
    top_ = 0;
    UpdateScrollBar();
    ::InvalidateRect(window_, nullptr, TRUE);
}

void LogPane::AppendLines(const std::string& text) {
    text_.reserve(text_.size() + text.size() + 1);
    starts_.push_back(text_.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        text_ += c;
        if (c == '\n')
            starts_.push_back(text_.size());
    }
    text_ += '\n';
    UpdateScrollBar();
    ::InvalidateRect(window_, nullptr, TRUE);
}

int LogPane::VisibleLines() const {
    RECT r;
    ::GetClientRect(window_, &r);
    return std::max(1, static_cast<int>(r.bottom - r.top) / LineHeight());
}

void LogPane::UpdateScrollBar() {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = std::max(0, static_cast<int>(starts_.size()) - 1);
    info.nPage = static_cast<UINT>(VisibleLines());
    info.nPos = top_;
    ::SetScrollInfo(window_, SB_VERT, &info, TRUE);
}

void LogPane::Scroll(int toLine) {
    const int last = std::max(0, static_cast<int>(starts_.size()) - VisibleLines());
    top_ = std::clamp(toLine, 0, last);
    UpdateScrollBar();
    ::InvalidateRect(window_, nullptr, TRUE);
}

void LogPane::Paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(window_, &ps);
    HGDIOBJ old = ::SelectObject(dc, font_);
    ::SetBkMode(dc, TRANSPARENT);
    const int lines = static_cast<int>(starts_.size());
    for (int i = 0; i <= VisibleLines() && top_ + i < lines; ++i) {
        const std::size_t begin = starts_[static_cast<std::size_t>(top_ + i)];
        const std::size_t end = text_.find('\n', begin);
        const std::wstring line = platform::win32::Widen(text_.substr(begin, end - begin));
        ::TextOutW(dc, 2, i * LineHeight(), line.c_str(), static_cast<int>(line.size()));
    }
    ::SelectObject(dc, old);
    ::EndPaint(window_, &ps);
}

LRESULT CALLBACK LogPane::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<LogPane*>(create->lpCreateParams)->window_ = window;
    }
    auto* pane = reinterpret_cast<LogPane*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return pane != nullptr ? pane->Handle(message, w, l) : ::DefWindowProcW(window, message, w, l);
}

LRESULT LogPane::Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SIZE:
            Scroll(top_);
            return 0;
        case WM_VSCROLL: {
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            ::GetScrollInfo(window_, SB_VERT, &info);
            switch (LOWORD(w)) {
                case SB_LINEUP:
                    Scroll(top_ - 1);
                    break;
                case SB_LINEDOWN:
                    Scroll(top_ + 1);
                    break;
                case SB_PAGEUP:
                    Scroll(top_ - VisibleLines());
                    break;
                case SB_PAGEDOWN:
                    Scroll(top_ + VisibleLines());
                    break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION:
                    Scroll(info.nTrackPos);
                    break;
                case SB_TOP:
                    Scroll(0);
                    break;
                case SB_BOTTOM:
                    Scroll(static_cast<int>(starts_.size()));
                    break;
            }
            return 0;
        }
        case WM_MOUSEWHEEL:
            Scroll(top_ - 3 * GET_WHEEL_DELTA_WPARAM(w) / WHEEL_DELTA);
            return 0;
        case WM_LBUTTONDOWN:
            ::SetFocus(window_);
            return 0;
        case WM_KEYDOWN:
            if (w == VK_DOWN)
                Scroll(top_ + 1);
            else if (w == VK_UP)
                Scroll(top_ - 1);
            else if (w == VK_NEXT)
                Scroll(top_ + VisibleLines());
            else if (w == VK_PRIOR)
                Scroll(top_ - VisibleLines());
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
    }
    return ::DefWindowProcW(window_, message, w, l);
}

}  // namespace bpconf::ui
