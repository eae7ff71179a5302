// Any bytes through the decoder: no crash, and the messages cover the input exactly, in order.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "protocol/Decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace bpconf::protocol;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto messages = Decode(bytes);
    std::string joined;
    for (const auto& m : messages) {
        if (m.offset != joined.size())
            std::abort();
        joined += m.raw;
        (void)Describe(m);
    }
    if (joined != bytes)
        std::abort();
    return 0;
}
