// UTF-8 text in the ANSI code pages, as WideCharToMultiByte writes it.
#include <windows.h>

#include <optional>
#include <stdexcept>

#include "platform/AnsiText.h"
#include "platform/CodePageText.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/WideText.h"

namespace bpconf::platform {

namespace {

using win32::Narrow;
using win32::SystemMessage;
using win32::Widen;

// The failure of a conversion the system cannot make, for the standard error box.
[[noreturn]] void ThrowConversionFailure(const std::string& what, DWORD error) {
    std::string reason = SystemMessage(error);
    if (!reason.empty() && reason.back() == '.')
        reason.pop_back();  // the error box ends the text with its own full stop
    throw std::runtime_error(what + ": " + reason);
}

// The number of a code page the system can convert ("CP1251" gives 1251); throws otherwise.
UINT UsableCodePage(const std::string& codePage, const std::string& what) {
    const std::optional<unsigned> number = CodePageNumber(codePage);
    if (!number || *number == CP_ACP || !::IsValidCodePage(*number))
        ThrowConversionFailure(what, ERROR_INVALID_PARAMETER);
    return *number;
}

// UTF-8 text in a code page without best-fit characters: what the code page lacks becomes '?',
// one per UTF-16 unit. Bytes that are not UTF-8 become '?' each before the conversion, so the
// result does not depend on how this Windows version reads malformed UTF-8.
std::string ToCodePage(const std::string& utf8, UINT codePage, const std::string& what) {
    const std::wstring wide = Widen(ReplaceMalformedUtf8(utf8), CP_UTF8);
    if (wide.empty())
        return std::string();
    const int size = static_cast<int>(wide.size());
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    const char* defaultChar = "?";
    int n =
        ::WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, defaultChar, nullptr);
    if (n == 0 &&
        (::GetLastError() == ERROR_INVALID_FLAGS || ::GetLastError() == ERROR_INVALID_PARAMETER)) {
        // UTF-8 (a system whose ANSI code page is 65001) takes neither; it holds every character.
        flags = 0;
        defaultChar = nullptr;
        n = ::WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
    }
    if (n == 0)
        ThrowConversionFailure(what, ::GetLastError());
    std::string text(static_cast<std::size_t>(n), '\0');
    if (::WideCharToMultiByte(codePage, flags, wide.data(), size, text.data(), n, defaultChar,
                              nullptr) != n) {
        ThrowConversionFailure(what, ::GetLastError());
    }
    return text;
}

}  // namespace

std::string UserAnsiCodePage() {
    return "CP" + std::to_string(::GetACP());
}

std::string Utf8ToCodePage(const std::string& utf8, const std::string& codePage) {
    const std::string what = "Text cannot be converted to code page " + codePage;
    return ToCodePage(utf8, UsableCodePage(codePage, what), what);
}

std::string Utf8ToAnsi(const std::string& utf8) {
    return Utf8ToCodePage(utf8, UserAnsiCodePage());
}

std::string CodePageToUtf8(const std::string& bytes, const std::string& codePage) {
    const std::string what = "Text cannot be read from code page " + codePage;
    return Narrow(Widen(bytes, UsableCodePage(codePage, what)), CP_UTF8);
}

}  // namespace bpconf::platform
