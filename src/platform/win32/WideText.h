// UTF-8 inside the tool, UTF-16 at the Windows API: the conversions between them and the ANSI
// code pages, for the Win32 back ends only.
#pragma once

#include <windows.h>

#include <string>

namespace bpconf::platform::win32 {

inline std::wstring Widen(const std::string& text, UINT codePage = CP_UTF8) {
    if (text.empty())
        return std::wstring();
    const int n =
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

inline std::string Narrow(const std::wstring& wide, UINT codePage = CP_UTF8) {
    if (wide.empty())
        return std::string();
    const int n = ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n,
                          nullptr, nullptr);
    return text;
}

inline std::string Narrow(const wchar_t* wide) {
    return wide != nullptr ? Narrow(std::wstring(wide)) : std::string();
}

}  // namespace bpconf::platform::win32
