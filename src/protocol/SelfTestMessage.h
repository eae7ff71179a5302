// The self-test information message: a 7-byte header, the payload length in two bytes (low
// first), then the payload, the bytes of the loaded update package.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "transport/untByteList.h"

namespace bpconf::protocol {

// The largest payload a printer accepts in one self-test information message.
inline constexpr std::size_t kMaxSelfTestPayload = 4094;

enum class SelfTestHeader {
    New,  // 1B 23 23 44 4C 53 46: ESC "##DLSF"
    Old,  // 1B 23 42 FA CD 87 15
};

// The payload length of a package: every byte of every byte list.
std::size_t PayloadLength(const ByteLists& package);

// The message's start: the chosen header and two 0x00 places for the length.
THfByteList StartSelfTestMessage(SelfTestHeader header);

// Appends every byte of every byte list of the package in list order and writes the payload
// length n into bytes 7 and 8. Returns n. A payload above kMaxSelfTestPayload is not appended
// (the message is refused whole and never sent); n is returned all the same.
std::size_t FillSelfTestMessage(THfByteList& message, const ByteLists& package);

struct SelfTestMessage {
    THfByteList message;
    std::size_t payloadLength = 0;
    bool Refused() const { return payloadLength > kMaxSelfTestPayload; }
};

SelfTestMessage BuildSelfTestMessage(const ByteLists& package, SelfTestHeader header);

}  // namespace bpconf::protocol
