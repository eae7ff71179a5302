// The one stored value of the tool: the next serial-number counter, as the string value "Num"
// under the current user's key "SOFTWARE\kelvor\PrinterTest".
#pragma once

#include <string>

namespace bpconf::platform {

inline constexpr const char* kCounterKeyPath = "SOFTWARE\\kelvor\\PrinterTest";
inline constexpr const char* kCounterValueName = "Num";

struct StoredValue {
    enum class Kind { Missing, NotAString, Text };
    Kind kind = Kind::Missing;
    std::string text;  // when kind == Text
};

class ICounterStore {
  public:
    virtual ~ICounterStore() = default;
    // Opens (or creates) the key and reads the value. The value name matches regardless of case.
    virtual StoredValue Read() = 0;
    // Writes the text as a string value; false when it could not be stored.
    virtual bool Write(const std::string& text) = 0;
};

}  // namespace bpconf::platform
