// Files on Windows: reading a whole file, publishing a new one, and the station's own folders
// and files (in the user's own %LOCALAPPDATA%, which the system keeps from other users).
#include <windows.h>

#include <filesystem>
#include <vector>

#include "platform/AnsiText.h"
#include "platform/Files.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/WideText.h"

namespace bpconf::platform {

using win32::SystemMessage;
using win32::Widen;

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

bool MakePrivateFolders(const std::string& folder, std::string& reason) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::u8path(folder), ec);
    if (ec) {
        reason = "cannot create " + folder + ": " + ec.message();
        return false;
    }
    return true;
}

bool CreatePrivateFile(const std::string& path, std::string& reason) {
    const HANDLE h = ::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        reason = "cannot create " + path + ": " + SystemMessage(::GetLastError());
        return false;
    }
    ::CloseHandle(h);
    return true;
}

bool RenameNoReplace(const std::string& from, const std::string& to, bool& exists,
                     std::string& reason) {
    exists = false;
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is taken.
    if (::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = ::GetLastError();
    exists = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    if (!exists)
        reason = "cannot create " + to + ": " + SystemMessage(error);
    return false;
}

std::optional<std::uint64_t> FileSize(const std::string& path, std::string& reason) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            reason = SystemMessage(error);
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void RemoveFile(const std::string& path) {
    ::DeleteFileW(Widen(path).c_str());
}

}  // namespace bpconf::platform
