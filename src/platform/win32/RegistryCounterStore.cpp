// The station's counter in the registry.
#include <windows.h>

#include <cwchar>
#include <functional>
#include <optional>

#include "platform/Backends.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/WideText.h"

namespace bpconf::platform {

namespace {

using win32::Narrow;
using win32::SystemMessage;
using win32::Widen;

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

}  // namespace

std::unique_ptr<ICounterStore> CreateSystemCounterStore() {
    return std::make_unique<RegistryCounterStore>();
}

}  // namespace bpconf::platform
