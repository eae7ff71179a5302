// The console, the arguments, the environment and the user's folders on Windows, in UTF-8.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "platform/Backends.h"
#include "platform/win32/WideText.h"

namespace bpconf::platform {

using win32::Narrow;
using win32::Widen;

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

}  // namespace bpconf::platform
