// The station's serial-number counter: the next counter value, as the string value "Num" under
// the current user's key "SOFTWARE\kelvor\PrinterTest" (the registry on Windows, a file in the
// registry's export form elsewhere).
//
// Every process and every thread that stamps serial numbers shares the store, so a change is
// made under the store's exclusive lock: read, choose, write (flushed to disk), release. A crash
// leaves either the old value or the new one, never a torn one.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace bpconf::platform {

inline constexpr const char* kCounterKeyPath = "SOFTWARE\\kelvor\\PrinterTest";
inline constexpr const char* kCounterValueName = "Num";

// How long a change waits for another program's lock before it gives up.
inline constexpr int kCounterLockTimeoutMs = 5000;

struct StoredValue {
    enum class Kind {
        Missing,     // no key, no value: the first start
        NotAString,  // a value of another type (a number, binary data)
        Text,        // a string value
        Unreadable,  // the store exists but cannot be read; `reason` says why
    };
    Kind kind = Kind::Missing;
    std::string text;    // when kind == Text
    std::string reason;  // when kind == Unreadable: the system's words
};

// What went wrong with a change of the store.
struct CounterChange {
    enum class Failure {
        None,
        Unreadable,  // the value could not be read; nothing was written
        Locked,      // another program held the lock longer than the bound
        Unwritable,  // the new value could not be stored (the old one stays), or was stored but
                     // could not be made durable
    };
    Failure failure = Failure::None;
    std::string reason;  // the system's words
    bool ok() const { return failure == Failure::None; }
    explicit operator bool() const { return ok(); }
};

class ICounterStore {
  public:
    virtual ~ICounterStore() = default;

    // Reads the value (the key is not created). The value name matches regardless of case.
    virtual StoredValue Read() = 0;

    // Under the store's exclusive lock: reads the value, asks `choose` for the text to store
    // (nothing: leave the store as it is) and stores it durably before the lock is released.
    // A store that cannot be read is never written: `choose` is not asked. When `choose` throws,
    // the lock is released, nothing is written and the exception goes on to the caller.
    virtual CounterChange Change(
        const std::function<std::optional<std::string>(const StoredValue&)>& choose) = 0;

    // Where the store is, for the operator's messages (a file path, a registry key).
    virtual std::string Location() const = 0;

    // Stores the text whatever the store held.
    CounterChange Write(const std::string& text) {
        return Change([&text](const StoredValue&) { return std::optional<std::string>(text); });
    }
};

}  // namespace bpconf::platform
