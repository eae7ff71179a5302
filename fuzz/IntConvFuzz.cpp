// Any text through the four conversions: no crash, and the widths agree with each other.
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/AsciiText.h"
#include "protocol/IntConv.h"
#include "transport/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace bpconf::protocol;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto wide = ParseInteger(text, std::numeric_limits<std::int64_t>::min(),
                                   std::numeric_limits<std::int64_t>::max());
    bool strict32 = true;
    std::int32_t v32 = 0;
    try {
        v32 = ToInt32(text);
    } catch (const bpconf::NotAnIntegerError&) {
        strict32 = false;
    }
    // A 32-bit value is the same number in 64 bits; the defaults agree with the strict forms.
    if (strict32 && (!wide || *wide != v32))
        std::abort();
    if (ToInt32Or(text, 7) != (strict32 ? v32 : 7))
        std::abort();
    if (ToInt64Or(text, 7) != (wide ? *wide : 7))
        std::abort();
    const std::string trimmed = bpconf::text::Trim(text);
    if (trimmed.size() > text.size())
        std::abort();
    return 0;
}
