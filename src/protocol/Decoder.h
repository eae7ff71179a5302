// Splits the bytes a printer received (one job or several concatenated) back into the messages
// this tool sends, so that tests and the command line can say "the printer got STDP 28".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/SelfTestMessage.h"

namespace bpconf::protocol {

enum class MessageKind {
    Opening,   // GS 'E' 'C' 0x01
    Command,   // ESC "##" + code + value
    SelfTest,  // self-test information message, either header
    Probe,     // the delivery check: a job of one NUL byte
    Unknown,   // bytes that belong to no message this tool sends
};

struct DecodedMessage {
    MessageKind kind = MessageKind::Unknown;
    std::size_t offset = 0;    // where the message starts in the input
    std::string raw;           // its bytes
    std::string code;          // "SLAN" … "BTRN", "DLSF" for the self-test message
    std::uint64_t number = 0;  // the value of numeric commands (little-endian)
    std::string text;          // STSN and BTRN: the counted text; SelfTest: the payload
    SelfTestHeader header = SelfTestHeader::New;
};

std::vector<DecodedMessage> Decode(const std::string& bytes);

// One line per message: "OPEN", "STDP 28", "LFCH 0A", "STSN \"2026120001\"",
// "DLSF new 4094 bytes", "PROBE", "?? 3 bytes at offset 17: 41 42 43".
std::string Describe(const DecodedMessage& message);

// Describe of every message, one per line.
std::string DescribeAll(const std::vector<DecodedMessage>& messages);

}  // namespace bpconf::protocol
