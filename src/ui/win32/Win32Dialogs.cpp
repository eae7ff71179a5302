#include "ui/win32/Win32Dialogs.h"

#include <windows.h>

#include <commdlg.h>

#include <vector>

#include "platform/win32/WideText.h"

namespace bpconf::ui {

namespace {

using platform::win32::Narrow;
using platform::win32::Widen;

}  // namespace

void Win32MessageBoxes::Box(unsigned icon, const char* caption, const std::string& text) {
    auto show = [icon, caption, text] {
        ::MessageBoxW(::GetActiveWindow(), Widen(text).c_str(), Widen(caption).c_str(),
                      MB_OK | icon);
    };
    if (holding_)
        held_.push_back(show);
    else
        show();
}

void Win32MessageBoxes::Release() {
    holding_ = false;
    auto held = std::move(held_);
    held_.clear();
    for (const auto& show : held)
        show();
}

void Win32MessageBoxes::Warning(const std::string& text) {
    Box(MB_ICONWARNING, platform::kWarningCaption, text);
}

void Win32MessageBoxes::Error(const std::string& text) {
    Box(MB_ICONERROR, platform::kErrorCaption, text);
}

void Win32MessageBoxes::Plain(const std::string& text) {
    Box(0, platform::kApplicationTitle, text);
}

void Win32MessageBoxes::Uncaught(const std::string& text) {
    Box(MB_ICONERROR, platform::kApplicationTitle, text + ".");
}

bool Win32MessageBoxes::Ask(const std::string& text) {
    return ::MessageBoxW(::GetActiveWindow(), Widen(text).c_str(),
                         Widen(platform::kApplicationTitle).c_str(),
                         MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::optional<std::string> Win32FileDialog::OpenFile(const std::string& pattern,
                                                     const std::string& initialFolder) {
    // "*.bin|*.bin": the filter's name and its pattern, each ended by a 0, the list by another.
    std::wstring filter = Widen(pattern);
    filter += L'\0';
    filter += Widen(pattern);
    filter += L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring folder = Widen(initialFolder);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = ::GetActiveWindow();
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!::GetOpenFileNameW(&dialog))
        return std::nullopt;
    return Narrow(file.data());
}

}  // namespace bpconf::ui
