// Files, ports, the registry, the locale, the clock and text conversion on Windows.
// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <optional>
#include <stdexcept>

#include "platform/AnsiText.h"
#include "platform/Backends.h"
#include "platform/CodePageText.h"
#include "platform/Files.h"
#include "platform/win32/WideText.h"

namespace bpconf::platform {

namespace {

using win32::Narrow;
using win32::Widen;

// The system's text for an error number, without the trailing line break.
std::string SystemMessage(DWORD error) {
    char* text = nullptr;
    const DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message = n > 0 && text != nullptr ? std::string(text, n) : std::string();
    if (text != nullptr)
        ::LocalFree(text);
    while (!message.empty() &&
           (message.back() == '\r' || message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    if (message.empty())
        message = "error " + std::to_string(error);
    return message;
}

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

class Win32Port : public IPort {
  public:
    explicit Win32Port(HANDLE h) : h_(h) {}
    ~Win32Port() override { ::CloseHandle(h_); }
    std::uint32_t WriteByte(std::uint8_t value) override {
        DWORD written = 0;
        if (!::WriteFile(h_, &value, 1, &written, nullptr)) {
            const DWORD e = ::GetLastError();
            return e != 0 ? e : winerror::kGenFailure;
        }
        return written == 1 ? winerror::kSuccess : winerror::kGenFailure;
    }

  private:
    HANDLE h_;
};

class Win32PortDevices : public IPortDevices {
  public:
    std::unique_ptr<IPort> Open(const std::string& portName) override {
        const HANDLE h = ::CreateFileA(Utf8ToAnsi(portName).c_str(), GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return nullptr;
        return std::make_unique<Win32Port>(h);
    }
};

// HKEY_CURRENT_USER\SOFTWARE\kelvor\PrinterTest, value "Num" (names match regardless of case).
// A change holds a named mutex of the user's session around the read and the write, so two
// programs never stamp the same number; the key is flushed before the mutex is released.
class RegistryCounterStore : public ICounterStore {
  public:
    StoredValue Read() override {
        StoredValue result;
        HKEY key = nullptr;
        const LONG opened =
            ::RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath().c_str(), 0, KEY_QUERY_VALUE, &key);
        if (opened == ERROR_FILE_NOT_FOUND)
            return result;
        if (opened != ERROR_SUCCESS)
            return Unreadable(opened);
        DWORD type = 0, size = 0;
        LONG rc = ::RegGetValueW(key, nullptr, ValueName().c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                                 &type, nullptr, &size);
        if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
            std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
            size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
            rc = ::RegGetValueW(key, nullptr, ValueName().c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                                text.data(), &size);
            text.resize(wcsnlen(text.c_str(), text.size()));
            if (rc == ERROR_SUCCESS) {
                result.kind = StoredValue::Kind::Text;
                result.text = Narrow(text, CP_UTF8);
            }
        } else if (rc == ERROR_SUCCESS) {
            result.kind = StoredValue::Kind::NotAString;
        }
        ::RegCloseKey(key);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
            return Unreadable(rc);
        return result;
    }

    CounterChange Change(
        const std::function<std::optional<std::string>(const StoredValue&)>& choose) override {
        CounterChange change;
        const HANDLE mutex =
            ::CreateMutexW(nullptr, FALSE, L"Local\\bpconf.kelvor.PrinterTest.Num");
        if (mutex == nullptr) {
            change.failure = CounterChange::Failure::Unwritable;
            change.reason = SystemMessage(::GetLastError());
            return change;
        }
        // An abandoned mutex is ours too: its holder died, and a registry write is whole.
        const DWORD waited = ::WaitForSingleObject(mutex, kCounterLockTimeoutMs);
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
            ::CloseHandle(mutex);
            change.failure = CounterChange::Failure::Locked;
            change.reason = "another program has held the counter for more than " +
                            std::to_string(kCounterLockTimeoutMs) + " ms";
            return change;
        }
        struct Release {
            HANDLE mutex;
            ~Release() {
                ::ReleaseMutex(mutex);
                ::CloseHandle(mutex);
            }
        } release{mutex};

        const StoredValue current = Read();
        if (current.kind == StoredValue::Kind::Unreadable) {
            change.failure = CounterChange::Failure::Unreadable;
            change.reason = current.reason;
            return change;
        }
        const std::optional<std::string> text = choose(current);
        if (!text)
            return change;
        HKEY key = nullptr;
        LONG rc = ::RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath().c_str(), 0, nullptr, 0,
                                    KEY_SET_VALUE, nullptr, &key, nullptr);
        if (rc == ERROR_SUCCESS) {
            const std::wstring wide = Widen(*text, CP_UTF8);
            rc = ::RegSetValueExW(key, ValueName().c_str(), 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(wide.c_str()),
                                  static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
            if (rc == ERROR_SUCCESS)
                rc = ::RegFlushKey(key);
            ::RegCloseKey(key);
        }
        if (rc != ERROR_SUCCESS) {
            change.failure = CounterChange::Failure::Unwritable;
            change.reason = SystemMessage(static_cast<DWORD>(rc));
        }
        return change;
    }

    std::string Location() const override {
        return std::string("HKEY_CURRENT_USER\\") + kCounterKeyPath;
    }

  private:
    static std::wstring KeyPath() { return Widen(kCounterKeyPath, CP_UTF8); }
    static std::wstring ValueName() { return Widen(kCounterValueName, CP_UTF8); }
    static StoredValue Unreadable(LONG error) {
        StoredValue v;
        v.kind = StoredValue::Kind::Unreadable;
        v.reason = SystemMessage(static_cast<DWORD>(error));
        return v;
    }
};

class Win32Locale : public ILocale {
  public:
    std::string UserLanguageId() override {
        const int size = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, nullptr, 0);
        if (size <= 0)
            return std::string();
        std::string text(static_cast<std::size_t>(size), '\0');
        ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, text.data(), size);
        text.resize(std::strlen(text.c_str()));
        return text;
    }
};

class Win32Clock : public IClock {
  public:
    LocalDateTime Now() override {
        SYSTEMTIME st{};
        ::GetLocalTime(&st);
        return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    }
};

}  // namespace

FileReadResult ReadWholeFile(const std::string& path, std::uint64_t maxSize) {
    FileReadResult r;
    // Names are UTF-8 inside the tool; the ANSI call takes them in the system's code page.
    const HANDLE h = ::CreateFileA(Utf8ToAnsi(path).c_str(), GENERIC_READ, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        r.reason = SystemMessage(::GetLastError());
        return r;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(h, &size)) {
        r.reason = SystemMessage(::GetLastError());
        ::CloseHandle(h);
        return r;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > maxSize || size.QuadPart > 0x7FFFFFFF) {
        r.reason = "file too large";
        ::CloseHandle(h);
        return r;
    }
    r.bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!r.bytes.empty() &&
        !::ReadFile(h, r.bytes.data(), static_cast<DWORD>(r.bytes.size()), &read, nullptr)) {
        r.reason = SystemMessage(::GetLastError());
        r.bytes.clear();
        ::CloseHandle(h);
        return r;
    }
    r.bytes.resize(read);
    ::CloseHandle(h);
    r.ok = true;
    return r;
}

std::optional<std::string> PublishNewFile(const std::string& folder, const std::string& data,
                                          const std::function<std::string(int)>& nameFor, int first,
                                          std::string& reason) {
    // A name of its own: CREATE_NEW fails when another writer already has it.
    std::wstring temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; h == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
        temp = Widen(folder, CP_UTF8) + L"\\.partial-" + std::to_wstring(::GetCurrentProcessId()) +
               L"-" + std::to_wstring(::GetCurrentThreadId()) + L"-" +
               std::to_wstring(::GetTickCount64()) + L"-" + std::to_wstring(attempt);
        h = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            reason = SystemMessage(::GetLastError());
            return std::nullopt;
        }
    }
    if (h == INVALID_HANDLE_VALUE) {
        reason = SystemMessage(ERROR_FILE_EXISTS);
        return std::nullopt;
    }
    DWORD written = 0;
    const bool ok = (data.empty() || (::WriteFile(h, data.data(), static_cast<DWORD>(data.size()),
                                                  &written, nullptr) &&
                                      written == data.size())) &&
                    ::FlushFileBuffers(h);
    const DWORD writeError = ::GetLastError();
    ::CloseHandle(h);
    if (!ok) {
        ::DeleteFileW(temp.c_str());
        reason = SystemMessage(writeError);
        return std::nullopt;
    }
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is taken.
    for (int n = first;; ++n) {
        const std::string target = folder + "\\" + nameFor(n);
        if (::MoveFileExW(temp.c_str(), Widen(target, CP_UTF8).c_str(), MOVEFILE_WRITE_THROUGH))
            return target;
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
            ::DeleteFileW(temp.c_str());
            reason = SystemMessage(error);
            return std::nullopt;
        }
    }
}

std::string PortDevicePath(const std::string& portName) {
    return portName;
}

std::unique_ptr<IPortDevices> CreateSystemPortDevices() {
    return std::make_unique<Win32PortDevices>();
}

std::unique_ptr<ICounterStore> CreateSystemCounterStore() {
    return std::make_unique<RegistryCounterStore>();
}

std::unique_ptr<ILocale> CreateSystemLocale() {
    return std::make_unique<Win32Locale>();
}

std::unique_ptr<IClock> CreateSystemClock() {
    return std::make_unique<Win32Clock>();
}

void SleepMilliseconds(int milliseconds) {
    ::Sleep(static_cast<DWORD>(milliseconds));
}

void PrepareConsole() {
    ::SetConsoleOutputCP(CP_UTF8);
    // Lines end in "\n" as on every other system, so outputs can be compared byte for byte.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i)
        args.push_back(Narrow(wide[i], CP_UTF8));
    ::LocalFree(wide);
    return args;
}

std::optional<std::string> EnvironmentVariable(const char* name) {
    const std::wstring wideName = Widen(name, CP_UTF8);
    const DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0)
        return ::GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt
                                                          : std::optional<std::string>("");
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    value.resize(length < size ? length : 0);
    return Narrow(value, CP_UTF8);
}

std::string HostName() {
    wchar_t name[256] = {};
    DWORD size = 255;
    if (!::GetComputerNameExW(ComputerNameDnsHostname, name, &size) || size == 0)
        return "station";
    return Narrow(std::wstring(name, size), CP_UTF8);
}

std::optional<std::string> DefaultRecordPath(std::string& whyNot) {
    const auto local = EnvironmentVariable("LOCALAPPDATA");
    if (!local || local->empty()) {
        whyNot = "LOCALAPPDATA is not set";
        return std::nullopt;
    }
    return *local + "\\bpconf\\units.sqlite";
}

// No database client in this build yet: the station's own counter and record.
bool CreateLineDatabaseBackends(const std::string&, std::unique_ptr<ICounterStore>&,
                                std::unique_ptr<IUnitRecord>&) {
    return false;
}

RecordResult InitLineDatabaseSchema(const std::string&) {
    return {false, "this Windows build has no PostgreSQL client"};
}

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
