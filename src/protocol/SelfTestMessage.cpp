#include "protocol/SelfTestMessage.h"

#include "protocol/Commands.h"

namespace bpconf::protocol {

THfByteList StartSelfTestMessage(SelfTestHeader header) {
    THfByteList message = THfByteList::FromString(
        std::string(header == SelfTestHeader::New ? kNewSelfTestHeader : kOldSelfTestHeader));
    message.Add(0x00);
    message.Add(0x00);
    return message;
}

std::size_t PayloadLength(const ByteLists& package) {
    std::size_t n = 0;
    for (const auto& list : package)
        n += static_cast<std::size_t>(list->Count());
    return n;
}

std::size_t FillSelfTestMessage(THfByteList& message, const ByteLists& package) {
    const std::size_t n = PayloadLength(package);
    // An oversized payload is refused before it is copied: it will never be sent.
    if (n <= kMaxSelfTestPayload) {
        for (const auto& list : package) {
            message.AddList(*list);
        }
    }
    message.Put(7, static_cast<std::uint8_t>(n % 256));
    message.Put(8, static_cast<std::uint8_t>((n / 256) % 256));
    return n;
}

SelfTestMessage BuildSelfTestMessage(const ByteLists& package, SelfTestHeader header) {
    SelfTestMessage result;
    result.message = StartSelfTestMessage(header);
    result.payloadLength = FillSelfTestMessage(result.message, package);
    return result;
}

}  // namespace bpconf::protocol
