#include "ui/win32/Win32FileDialog.h"

#include <windows.h>

#include <commdlg.h>

#include <vector>

#include "platform/win32/WideText.h"

namespace bpconf::ui {

namespace {

using platform::win32::Narrow;
using platform::win32::Widen;

}  // namespace

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
