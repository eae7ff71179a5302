#include "ui/win32/Unit1.h"
#include "ui/win32/WindowClass.h"

// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <array>

#include "operator/Design.h"
#include "operator/SerialCounter.h"
#include "operator/WindowLayout.h"
#include "platform/win32/WideText.h"
#include "ui/win32/LogPane.h"
#include "ui/win32/Win32Pacer.h"

namespace bpconf::ui {

namespace {

using op::Control;
using op::ControlKind;
using platform::win32::Narrow;
using platform::win32::Widen;
namespace ctl = op::ctl;

const wchar_t* const kMainClass = L"BpconfTForm1";
const wchar_t* const kPageClass = L"BpconfPage";
const wchar_t* const kApplicationClass = L"BpconfApplication";
constexpr int kFirstControlId = 1000;
// A drop-down list's height includes its list: the rows it shows at once.
constexpr int kListRows = 8;
constexpr int kRowHeight = 16;

int IdOf(Control c) {
    return kFirstControlId + static_cast<int>(c);
}

HINSTANCE Instance() {
    return ::GetModuleHandleW(nullptr);
}

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

HFONT MakeFont(int pixels) {
    return ::CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, Widen(op::kWindowFont).c_str());
}

// Pages and the application window pass what their children tell them on to the main window.
LRESULT CALLBACK ForwardingProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
            if (auto* main = static_cast<HWND>(::GetPropW(window, L"BpconfMain")))
                return ::SendMessageW(main, message, w, l);
            break;
    }
    return ::DefWindowProcW(window, message, w, l);
}

// The application window: an invisible window whose taskbar button carries the application
// title; the main window belongs to it, so the caption and the taskbar differ as designed.
LRESULT CALLBACK ApplicationProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    HWND main = static_cast<HWND>(::GetPropW(window, L"BpconfMain"));
    if (message == WM_SYSCOMMAND && main != nullptr) {
        if ((w & 0xFFF0) == SC_RESTORE) {
            ::DefWindowProcW(window, message, w, l);
            ::ShowWindow(main, SW_SHOW);
            ::SetForegroundWindow(main);
            return 0;
        }
    }
    if (message == WM_ACTIVATE && LOWORD(w) != WA_INACTIVE && main != nullptr &&
        ::IsWindowVisible(main)) {
        ::SetActiveWindow(main);
        return 0;
    }
    if (message == WM_CLOSE && main != nullptr) {
        ::SendMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    }
    return ::DefWindowProcW(window, message, w, l);
}

void RegisterClasses() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                          ICC_PROGRESS_CLASS | ICC_DATE_CLASSES};
        ::InitCommonControlsEx(&controls);
        RegisterWindowClass(kPageClass, &ForwardingProcedure, IDC_ARROW, COLOR_BTNFACE);
        RegisterWindowClass(kApplicationClass, &ApplicationProcedure, nullptr, -1, true);
        return true;
    }();
    (void)registered;
}

LRESULT CALLBACK CounterEditProcedure(HWND window, UINT message, WPARAM w, LPARAM l);

}  // namespace

struct TForm1::Impl {
    TForm1& owner;
    op::IPacer& pacer;
    HWND application = nullptr;
    HWND main = nullptr;
    HWND statusBar = nullptr;
    HFONT font = nullptr, logFont = nullptr, unitsFont = nullptr;
    HBRUSH faceBrush = nullptr;
    std::array<HWND, ctl::kCount> handles{};
    std::array<bool, ctl::kCount> visible{};
    std::array<std::string, 3> tabTexts;
    std::array<std::string, 2> panelTexts;
    std::unique_ptr<LogPane> log;
    std::unique_ptr<op::OperatorWindow> logic;
    bool settingText = false;
    bool closed = false;
    bool quitOnDestroy = false;
    Control selectedRadio = ctl::rdbDriver;
    WNDPROC counterEditBase = nullptr;

    Impl(TForm1& form, op::IPacer& p) : owner(form), pacer(p) {}

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    void Build();
    HWND Create(const op::ControlPlace& place);
    POINT Origin(Control parent) const;
    void OnCommand(int id, int code);
    void OnNotify(const NMHDR* header);
    void ShowSelectedPage();
    // The pages over the page control's display area, below its row of tabs.
    void PlacePages();
    // The count of updated units in the gap of Label4's caption, between "已更新：" and "台",
    // so neither hides the other.
    void PlaceUpdatedCount();
    void RebuildTabs(Control selected);
    int TabIndexOf(Control page) const;
    void Guard(const std::function<void()>& handler) { logic->Guarded(handler); }
    HWND Handle(Control c) const { return handles[c]; }
};

namespace {

int PageNumber(Control c) {
    return c == ctl::TabSheet1 ? 0 : c == ctl::TabSheet2 ? 1 : c == ctl::TabSheet3 ? 2 : -1;
}

Control PageAt(int number) {
    return number == 0 ? ctl::TabSheet1 : number == 1 ? ctl::TabSheet2 : ctl::TabSheet3;
}

LRESULT CALLBACK CounterEditProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* impl = reinterpret_cast<TForm1::Impl*>(::GetPropW(window, L"BpconfImpl"));
    if (message == WM_CHAR) {
        // Digits and backspace pass; every other character is replaced by nothing. Ctrl+C,
        // Ctrl+V and Ctrl+X come as characters too: the edit control turns them into copy, paste
        // (filtered below) and cut.
        const bool clipboard = w == 0x03 || w == 0x16 || w == 0x18;
        if (!(op::SerialCounter::KeyPasses(static_cast<char32_t>(w)) || clipboard))
            return 0;
    }
    if (message == WM_PASTE) {
        // A paste keeps only what typing would let through.
        std::wstring pasted;
        if (::OpenClipboard(window)) {
            if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
                if (const auto* text = static_cast<const wchar_t*>(::GlobalLock(data))) {
                    pasted = text;
                    ::GlobalUnlock(data);
                }
            }
            ::CloseClipboard();
        }
        const std::wstring digits = Widen(op::SerialCounter::FilterPasted(Narrow(pasted)));
        ::SendMessageW(window, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(digits.c_str()));
        return 0;
    }
    return ::CallWindowProcW(impl->counterEditBase, window, message, w, l);
}

}  // namespace

POINT TForm1::Impl::Origin(Control parent) const {
    // Children of the group box and of the pages are children of the main window (so their
    // messages reach it) at the place the design gives them inside their parent.
    if (parent == ctl::Form)
        return {0, 0};
    if (parent == ctl::GroupBox1) {
        for (const auto& p : op::WindowLayout()) {
            if (p.control == ctl::GroupBox1)
                return {p.x, p.y};
        }
    }
    return {0, 0};
}

HWND TForm1::Impl::Create(const op::ControlPlace& place) {
    const POINT origin = Origin(place.parent);
    HWND parentWindow = main;
    if (PageNumber(place.parent) >= 0)
        parentWindow = Handle(place.parent);
    const int x = place.x + origin.x, y = place.y + origin.y;
    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(place.control)));
    // Siblings clip each other, so a control created later lies over an earlier one.
    const DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    auto make = [&](DWORD exStyle, const wchar_t* cls, DWORD style, int height) {
        return ::CreateWindowExW(exStyle, cls, L"", child | style, x, y, place.width, height,
                                 parentWindow, id, Instance(), nullptr);
    };
    switch (place.kind) {
        case ControlKind::GroupBox:
            return make(0, L"BUTTON", BS_GROUPBOX, place.height);
        case ControlKind::RadioButton: {
            // A group of radio buttons starts with WS_GROUP.
            const bool first =
                place.control == ctl::rdbDriver || place.control == ctl::RadioButton1;
            return make(0, L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP | (first ? WS_GROUP : 0),
                        place.height);
        }
        case ControlKind::DropDownList: {
            const int rows = place.control == ctl::cboLanage ? op::kCodePageRows : kListRows;
            HWND combo = make(0, WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                              place.height + rows * kRowHeight);
            ::SendMessageW(combo, CB_SETMINVISIBLE, static_cast<WPARAM>(rows), 0);
            return combo;
        }
        case ControlKind::Button:
            return make(0, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, place.height);
        case ControlKind::PageControl:
            return make(0, WC_TABCONTROLW, WS_CLIPSIBLINGS | WS_TABSTOP, place.height);
        case ControlKind::TabPage: {
            // A page is a window over the page control's display area (placed once the page
            // control has its tabs and font).
            HWND page =
                ::CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"", WS_CHILD | WS_CLIPSIBLINGS,
                                  0, 0, 0, 0, main, id, Instance(), nullptr);
            ::SetPropW(page, L"BpconfMain", main);
            return page;
        }
        case ControlKind::CheckBox:
            return make(0, L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, place.height);
        case ControlKind::EditBox: {
            const bool flat =
                place.control == ctl::txtUpdateNo || place.control == ctl::txtUpdateOverNum;
            const DWORD readOnly = place.control == ctl::txtUpdateOverNum ? ES_READONLY : 0;
            return make(flat ? 0 : WS_EX_CLIENTEDGE, WC_EDITW,
                        ES_AUTOHSCROLL | WS_TABSTOP | readOnly, place.height);
        }
        case ControlKind::Label:
        case ControlKind::UnitLabel: {
            // Single lines, centred in their height as the design's labels are.
            HWND label =
                ::CreateWindowExW(0, WC_STATICW, L"", child | SS_LEFT | SS_CENTERIMAGE, x, y,
                                  place.width, place.height, parentWindow,
                                  place.control == ctl::kCount ? nullptr : id, Instance(), nullptr);
            if (place.text != nullptr)
                ::SetWindowTextW(label, Widen(place.text).c_str());
            return label;
        }
        case ControlKind::DatePicker:
            return make(0, DATETIMEPICK_CLASSW, DTS_UPDOWN | WS_TABSTOP, place.height);
        case ControlKind::LogPane:
            log = std::make_unique<LogPane>(main, x, y, place.width, place.height, logFont);
            return log->Handle();
        case ControlKind::ProgressBar:
            return make(0, PROGRESS_CLASSW, 0, place.height);
        case ControlKind::StatusPanel:
            return statusBar;
    }
    return nullptr;
}

void TForm1::Impl::Build() {
    RegisterClasses();
    font = MakeFont(op::kWindowFontPixels);
    logFont = MakeFont(op::kLogFontPixels);
    unitsFont = MakeFont(op::kUnitsFontPixels);
    faceBrush = ::GetSysColorBrush(COLOR_BTNFACE);

    application = ::CreateWindowExW(WS_EX_APPWINDOW, kApplicationClass,
                                    Widen(platform::kApplicationTitle).c_str(),
                                    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                                    nullptr, nullptr, Instance(), nullptr);

    // Fixed single border, system menu and minimise only; the client area of the design.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, op::kWindowWidth, op::kWindowHeight};
    ::AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
    RegisterWindowClass(kMainClass, &Impl::Procedure, IDC_ARROW, COLOR_BTNFACE, true);
    main = ::CreateWindowExW(WS_EX_CONTROLPARENT, kMainClass, L"", style, op::kWindowLeft,
                             op::kWindowTop, frame.right - frame.left, frame.bottom - frame.top,
                             application, nullptr, Instance(), this);
    ::SetPropW(application, L"BpconfMain", main);

    statusBar = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, main,
                                  nullptr, Instance(), nullptr);
    int parts[2] = {80, -1};
    ::SendMessageW(statusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    ::SendMessageW(statusBar, SB_SETMINHEIGHT, 28, 0);
    ::SendMessageW(statusBar, WM_SIZE, 0, 0);
    ::SendMessageW(statusBar, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);

    for (const auto& place : op::WindowLayout()) {
        HWND h = Create(place);
        if (h != nullptr && h != statusBar)
            ::SendMessageW(
                h, WM_SETFONT,
                reinterpret_cast<WPARAM>(place.kind == ControlKind::LogPane ? logFont : font),
                FALSE);
        if (place.control != ctl::kCount) {
            handles[place.control] = h;
            visible[place.control] = true;
        }
        if (place.kind == ControlKind::TabPage) {
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<wchar_t*>(L"");
            const int index = PageNumber(place.control);
            ::SendMessageW(Handle(ctl::PageControl1), TCM_INSERTITEMW, index,
                           reinterpret_cast<LPARAM>(&item));
        }
    }
    ::SendMessageW(Handle(ctl::txtUpdateOverNum), WM_SETFONT, reinterpret_cast<WPARAM>(unitsFont),
                   FALSE);
    ::SendMessageW(Handle(ctl::DTPUpdateNo), DTM_SETFORMATW, 0,
                   reinterpret_cast<LPARAM>(L"yyyyMM"));
    for (const auto& limit : op::TextLimits())
        ::SendMessageW(Handle(limit.control), EM_LIMITTEXT, static_cast<WPARAM>(limit.maxLength),
                       0);
    PlacePages();
    // A later child window lies underneath an earlier one: the frames the other controls stand
    // on, and the stamp label behind the log pane, go to the bottom.
    for (Control under : {ctl::lblNoYearMonth, ctl::PageControl1, ctl::GroupBox1})
        ::SetWindowPos(Handle(under), HWND_BOTTOM, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // The count of updated units stands in the gap of Label4, which was made before it: it goes
    // on top, or the label's face would hide it.
    ::SetWindowPos(Handle(ctl::txtUpdateOverNum), HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND counter = Handle(ctl::txtUpdateNo);
    ::SetPropW(counter, L"BpconfImpl", this);
    counterEditBase = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
        counter, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CounterEditProcedure)));
    ShowSelectedPage();
}

void TForm1::Impl::PlaceUpdatedCount() {
    HWND label = Handle(ctl::Label4);
    const std::wstring caption = WindowText(label);
    const std::size_t gapStart = caption.find(L'\uFF1A');  // "："
    const std::size_t gapEnd = caption.rfind(L'\u53F0');   // "台"
    if (gapStart == std::wstring::npos || gapEnd == std::wstring::npos || gapEnd <= gapStart)
        return;
    HDC dc = ::GetDC(label);
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE before{}, upTo{};
    ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(gapStart + 1), &before);
    ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(gapEnd), &upTo);
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
    RECT area;
    ::GetWindowRect(label, &area);
    ::MapWindowPoints(nullptr, ::GetParent(label), reinterpret_cast<POINT*>(&area), 2);
    RECT count;
    ::GetWindowRect(Handle(ctl::txtUpdateOverNum), &count);
    ::SetWindowPos(Handle(ctl::txtUpdateOverNum), HWND_TOP, area.left + before.cx, area.top,
                   upTo.cx - before.cx, count.bottom - count.top, SWP_NOACTIVATE);
}

void TForm1::Impl::PlacePages() {
    HWND tab = Handle(ctl::PageControl1);
    RECT area;
    ::GetWindowRect(tab, &area);
    ::MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&area), 2);
    ::SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (int n = 0; n < 3; ++n) {
        ::MoveWindow(Handle(PageAt(n)), area.left, area.top, area.right - area.left,
                     area.bottom - area.top, FALSE);
    }
}

int TForm1::Impl::TabIndexOf(Control page) const {
    // Hidden pages have no tab: the index counts the visible ones before it.
    int index = 0;
    for (int n = 0; n < PageNumber(page); ++n)
        index += visible[PageAt(n)] ? 1 : 0;
    return visible[page] ? index : -1;
}

void TForm1::Impl::RebuildTabs(Control selected) {
    HWND tab = Handle(ctl::PageControl1);
    ::SendMessageW(tab, TCM_DELETEALLITEMS, 0, 0);
    for (int n = 0; n < 3; ++n) {
        const Control page = PageAt(n);
        if (!visible[page])
            continue;
        std::wstring text = Widen(tabTexts[static_cast<std::size_t>(n)]);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        ::SendMessageW(tab, TCM_INSERTITEMW, TabIndexOf(page), reinterpret_cast<LPARAM>(&item));
    }
    const int index = visible[selected] ? TabIndexOf(selected) : 0;
    ::SendMessageW(tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowSelectedPage();
}

void TForm1::Impl::ShowSelectedPage() {
    const int selected =
        static_cast<int>(::SendMessageW(Handle(ctl::PageControl1), TCM_GETCURSEL, 0, 0));
    for (int n = 0; n < 3; ++n) {
        const Control page = PageAt(n);
        ::ShowWindow(Handle(page),
                     visible[page] && TabIndexOf(page) == selected ? SW_SHOW : SW_HIDE);
    }
}

void TForm1::Impl::OnCommand(int id, int code) {
    const int index = id - kFirstControlId;
    if (index < 0 || index >= ctl::kCount)
        return;
    const auto c = static_cast<Control>(index);
    if (code == BN_CLICKED) {
        switch (c) {
            case ctl::Button1:
                Guard([this] { logic->Button1Click(); });
                return;
            case ctl::Button2:
                Guard([this] { logic->Button2Click(); });
                return;
            case ctl::Button3:
                Guard([this] { logic->Button3Click(); });
                return;
            case ctl::Button4:
            case ctl::Button5:
                Guard([this, c] { logic->Button4Click(c); });
                return;
            case ctl::rdbDriver:
            case ctl::rdbLpt:
            case ctl::rdbCom:
                // Only a radio button that becomes selected runs the handler.
                if (c != selectedRadio && owner.Checked(c)) {
                    selectedRadio = c;
                    Guard([this] { logic->rdbDriverClick(); });
                }
                return;
            default:
                return;
        }
    }
    if (code == EN_CHANGE && c == ctl::txtUpdateNo && !settingText)
        logic->txtUpdateNoChange();
}

void TForm1::Impl::OnNotify(const NMHDR* header) {
    if (header->hwndFrom == Handle(ctl::PageControl1) && header->code == TCN_SELCHANGE)
        ShowSelectedPage();
    if (header->hwndFrom == Handle(ctl::DTPUpdateNo) && header->code == DTN_DATETIMECHANGE &&
        !settingText) {
        Guard([this] { logic->DTPUpdateNoChange(); });
    }
}

LRESULT CALLBACK TForm1::Impl::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<Impl*>(create->lpCreateParams)->main = window;
    }
    auto* impl = reinterpret_cast<Impl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return impl != nullptr ? impl->Handle(message, w, l) : ::DefWindowProcW(window, message, w, l);
}

LRESULT TForm1::Impl::Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(w), HIWORD(w));
            return 0;
        case WM_NOTIFY:
            OnNotify(reinterpret_cast<const NMHDR*>(l));
            return 0;
        case WM_CTLCOLORSTATIC: {
            // The red label "(需重启)" and the red count of updated units.
            HWND control = reinterpret_cast<HWND>(l);
            auto dc = reinterpret_cast<HDC>(w);
            if (control == Handle(ctl::Label5) || control == Handle(ctl::txtUpdateOverNum))
                ::SetTextColor(dc, RGB(255, 0, 0));
            ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(faceBrush);
        }
        case WM_SIZE:
            if (statusBar != nullptr)
                ::SendMessageW(statusBar, WM_SIZE, 0, 0);
            return 0;
        case WM_SYSCOMMAND:
            // Minimised with the application window, whose taskbar button brings it back.
            if ((w & 0xFFF0) == SC_MINIMIZE) {
                ::ShowWindow(application, SW_MINIMIZE);
                ::ShowWindow(main, SW_HIDE);
                return 0;
            }
            break;
        case WM_CLOSE:
            if (logic->Running()) {
                // The run stops at its next pump or pause, then closes the window again.
                logic->FormClose();
                pacer.Interrupt();
                return 0;
            }
            if (!closed) {
                closed = true;
                Guard([this] { logic->FormClose(); });
            }
            ::DestroyWindow(main);
            return 0;
        case WM_DESTROY:
            // The program ends with its main window (the message loop of RunMessageLoop).
            if (quitOnDestroy)
                ::PostQuitMessage(0);
            return 0;
    }
    return ::DefWindowProcW(main, message, w, l);
}

TForm1::TForm1(op::Services services) : impl_(std::make_unique<Impl>(*this, services.pacer)) {
    impl_->Build();
    impl_->logic = std::make_unique<op::OperatorWindow>(*this, std::move(services));
    HWND main = impl_->main;
    impl_->logic->SetCloseWindow([main] { ::PostMessageW(main, WM_CLOSE, 0, 0); });
    op::ApplyDesign(*this);
    impl_->PlaceUpdatedCount();
    impl_->logic->Guarded([this] { impl_->logic->FormCreate(); });
    impl_->selectedRadio = Checked(ctl::rdbDriver) ? ctl::rdbDriver : impl_->selectedRadio;
}

TForm1::~TForm1() {
    if (::IsWindow(impl_->main))
        ::DestroyWindow(impl_->main);
    if (::IsWindow(impl_->application))
        ::DestroyWindow(impl_->application);
    ::DeleteObject(impl_->font);
    ::DeleteObject(impl_->logFont);
    ::DeleteObject(impl_->unitsFont);
}

void TForm1::Show() {
    ::ShowWindow(impl_->application, SW_SHOWNA);
    ::ShowWindow(impl_->main, SW_SHOW);
    // The window and every control painted before the first message is read: never a half-drawn
    // window.
    ::RedrawWindow(impl_->main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::SetForegroundWindow(impl_->main);
}

bool TForm1::IsVisible() const {
    return ::IsWindow(impl_->main) && ::IsWindowVisible(impl_->main);
}

void TForm1::Close() {
    ::SendMessageW(impl_->main, WM_CLOSE, 0, 0);
}

op::OperatorWindow& TForm1::Logic() {
    return *impl_->logic;
}

void* TForm1::Handle() const {
    return impl_->main;
}

void* TForm1::ControlHandle(Control control) const {
    return control == ctl::Form ? impl_->main : impl_->Handle(control);
}

std::string TForm1::Text(Control c) const {
    HWND h = impl_->Handle(c);
    if (c == ctl::Form)
        return Narrow(WindowText(impl_->main));
    if (const int page = PageNumber(c); page >= 0)
        return impl_->tabTexts[static_cast<std::size_t>(page)];
    if (c == ctl::StatusPanel0 || c == ctl::StatusPanel1)
        return impl_->panelTexts[c == ctl::StatusPanel0 ? 0 : 1];
    if (c == ctl::Memo1)
        return std::string();
    wchar_t cls[32] = {};
    ::GetClassNameW(h, cls, 32);
    if (std::wstring(cls) == WC_COMBOBOXW) {
        const auto index = ::SendMessageW(h, CB_GETCURSEL, 0, 0);
        if (index < 0)
            return std::string();
        const auto length = ::SendMessageW(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        ::SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        return Narrow(text);
    }
    return Narrow(WindowText(h));
}

void TForm1::SetText(Control c, const std::string& text) {
    HWND h = impl_->Handle(c);
    const std::wstring wide = Widen(text);
    if (c == ctl::Form) {
        ::SetWindowTextW(impl_->main, wide.c_str());
        return;
    }
    if (const int page = PageNumber(c); page >= 0) {
        impl_->tabTexts[static_cast<std::size_t>(page)] = text;
        const int index = impl_->TabIndexOf(c);
        if (index >= 0) {
            std::wstring copy = wide;
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = copy.data();
            HWND tab = impl_->Handle(ctl::PageControl1);
            ::SendMessageW(tab, TCM_SETITEMW, static_cast<WPARAM>(index),
                           reinterpret_cast<LPARAM>(&item));
            // A shorter caption leaves the strip beside the tabs unpainted: it is drawn anew.
            ::InvalidateRect(tab, nullptr, TRUE);
        }
        return;
    }
    if (c == ctl::StatusPanel0 || c == ctl::StatusPanel1) {
        const int part = c == ctl::StatusPanel0 ? 0 : 1;
        impl_->panelTexts[static_cast<std::size_t>(part)] = text;
        ::SendMessageW(impl_->statusBar, SB_SETTEXTW, static_cast<WPARAM>(part),
                       reinterpret_cast<LPARAM>(wide.c_str()));
        return;
    }
    wchar_t cls[32] = {};
    ::GetClassNameW(h, cls, 32);
    if (std::wstring(cls) == WC_COMBOBOXW) {
        // Selects the item that reads so, exactly (case included); none when no item does.
        int found = -1;
        const int count = ItemCount(c);
        for (int i = 0; i < count && found < 0; ++i) {
            const auto length = ::SendMessageW(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
            std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
            ::SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(item.data()));
            item.resize(static_cast<std::size_t>(length));
            if (item == wide)
                found = i;
        }
        ::SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
        return;
    }
    impl_->settingText = true;
    ::SetWindowTextW(h, wide.c_str());
    impl_->settingText = false;
}

bool TForm1::Checked(Control c) const {
    return ::SendMessageW(impl_->Handle(c), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TForm1::SetChecked(Control c, bool checked) {
    // Selecting a radio button unselects the others of its group.
    if (checked) {
        for (const auto& group : op::RadioGroups()) {
            if (std::find(group.begin(), group.end(), c) == group.end())
                continue;
            for (Control other : group)
                ::SendMessageW(impl_->Handle(other), BM_SETCHECK, BST_UNCHECKED, 0);
        }
    }
    ::SendMessageW(impl_->Handle(c), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (checked && (c == ctl::rdbDriver || c == ctl::rdbLpt || c == ctl::rdbCom))
        impl_->selectedRadio = c;
}

int TForm1::ItemIndex(Control c) const {
    return static_cast<int>(::SendMessageW(impl_->Handle(c), CB_GETCURSEL, 0, 0));
}

void TForm1::SetItemIndex(Control c, int index) {
    const int count = ItemCount(c);
    ::SendMessageW(impl_->Handle(c), CB_SETCURSEL,
                   static_cast<WPARAM>(index >= 0 && index < count ? index : -1), 0);
}

int TForm1::ItemCount(Control c) const {
    return static_cast<int>(::SendMessageW(impl_->Handle(c), CB_GETCOUNT, 0, 0));
}

void TForm1::SetItems(Control c, const std::vector<std::string>& items) {
    HWND h = impl_->Handle(c);
    ::SendMessageW(h, CB_RESETCONTENT, 0, 0);
    for (const auto& item : items) {
        const std::wstring wide = Widen(item);
        ::SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    ::SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

bool TForm1::Enabled(Control c) const {
    return ::IsWindowEnabled(c == ctl::Form ? impl_->main : impl_->Handle(c)) != FALSE;
}

void TForm1::SetEnabled(Control c, bool enabled) {
    ::EnableWindow(c == ctl::Form ? impl_->main : impl_->Handle(c), enabled ? TRUE : FALSE);
}

bool TForm1::Visible(Control c) const {
    return c == ctl::Form || impl_->visible[c];
}

void TForm1::SetVisible(Control c, bool visible) {
    if (c == ctl::Form || c == ctl::StatusPanel0 || c == ctl::StatusPanel1)
        return;
    impl_->visible[c] = visible;
    if (PageNumber(c) >= 0) {
        const int selected =
            static_cast<int>(::SendMessageW(impl_->Handle(ctl::PageControl1), TCM_GETCURSEL, 0, 0));
        Control current = ctl::TabSheet1;
        for (int n = 0; n < 3; ++n) {
            if (impl_->TabIndexOf(PageAt(n)) == selected)
                current = PageAt(n);
        }
        impl_->RebuildTabs(current);
        return;
    }
    ::ShowWindow(impl_->Handle(c), visible ? SW_SHOWNA : SW_HIDE);
}

void TForm1::SetProgressRange(int minimum, int maximum, int step) {
    HWND bar = impl_->Handle(ctl::ProgressBar1);
    ::SendMessageW(bar, PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
    ::SendMessageW(bar, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

int TForm1::ProgressPosition() const {
    return static_cast<int>(::SendMessageW(impl_->Handle(ctl::ProgressBar1), PBM_GETPOS, 0, 0));
}

void TForm1::SetProgressPosition(int position) {
    HWND bar = impl_->Handle(ctl::ProgressBar1);
    PBRANGE range{};
    ::SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    ::SendMessageW(bar, PBM_SETPOS,
                   static_cast<WPARAM>(std::clamp(position, range.iLow, range.iHigh)), 0);
}

platform::LocalDateTime TForm1::Date() const {
    SYSTEMTIME t{};
    ::SendMessageW(impl_->Handle(ctl::DTPUpdateNo), DTM_GETSYSTEMTIME, 0,
                   reinterpret_cast<LPARAM>(&t));
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

void TForm1::SetDate(const platform::LocalDateTime& date) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(date.year);
    t.wMonth = static_cast<WORD>(date.month);
    t.wDay = static_cast<WORD>(date.day);
    t.wHour = static_cast<WORD>(date.hour);
    t.wMinute = static_cast<WORD>(date.minute);
    t.wSecond = static_cast<WORD>(date.second);
    impl_->settingText = true;
    ::SendMessageW(impl_->Handle(ctl::DTPUpdateNo), DTM_SETSYSTEMTIME, GDT_VALID,
                   reinterpret_cast<LPARAM>(&t));
    impl_->settingText = false;
}

void TForm1::ClearMemo() {
    impl_->log->Clear();
}

void TForm1::AddMemoLine(const std::string& text) {
    impl_->log->AppendLines(text);
}

std::string TForm1::MemoText() const {
    std::string text;
    for (char c : impl_->log->Lines()) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
}

int RunMessageLoop(TForm1& form) {
    form.impl_->quitOnDestroy = true;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (::IsWindow(static_cast<HWND>(form.Handle())) &&
            ::IsDialogMessageW(static_cast<HWND>(form.Handle()), &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace bpconf::ui
