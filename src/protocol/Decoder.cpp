#include "protocol/Decoder.h"

#include <cstdio>

#include "platform/AsciiText.h"
#include "protocol/Commands.h"

namespace bpconf::protocol {

namespace {

enum class ValueLayout { Byte, Word, DWord, Counted };
enum class Shown { Decimal, Hex };

struct CommandLayout {
    const char* code;
    ValueLayout layout;
    Shown shown;
};

constexpr CommandLayout kCommands[] = {
    {kSLAN, ValueLayout::Byte, Shown::Decimal},    {kSTDP, ValueLayout::Byte, Shown::Decimal},
    {kBDIT, ValueLayout::DWord, Shown::Decimal},   {kLFCH, ValueLayout::Byte, Shown::Hex},
    {kEDCD, ValueLayout::Byte, Shown::Decimal},    {kBLSP, ValueLayout::Byte, Shown::Decimal},
    {kSPTI, ValueLayout::DWord, Shown::Decimal},   {kCHTY, ValueLayout::Byte, Shown::Hex},
    {kSTSN, ValueLayout::Counted, Shown::Decimal}, {kSBCV, ValueLayout::Word, Shown::Decimal},
    {kBTLK, ValueLayout::Byte, Shown::Decimal},    {kSBDR, ValueLayout::DWord, Shown::Decimal},
    {kBTRN, ValueLayout::Counted, Shown::Decimal},
};

const std::string kOpening(kOpeningBytes);

std::uint8_t At(const std::string& s, std::size_t i) {
    return static_cast<std::uint8_t>(s[i]);
}

std::uint64_t ReadLittleEndian(const std::string& s, std::size_t at, int width) {
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i) {
        v = (v << 8) | At(s, at + static_cast<std::size_t>(i));
    }
    return v;
}

bool HasAt(const std::string& s, std::size_t at, std::string_view what) {
    return s.compare(at, what.size(), what) == 0;
}

const CommandLayout* FindCommand(const std::string& s, std::size_t codeAt) {
    if (codeAt + 4 > s.size())
        return nullptr;
    for (const auto& c : kCommands) {
        if (s.compare(codeAt, 4, c.code) == 0)
            return &c;
    }
    return nullptr;
}

// The message that starts at offset `at`, or nothing when no complete message starts there.
bool TryDecodeAt(const std::string& s, std::size_t at, DecodedMessage& out) {
    out = DecodedMessage();
    out.offset = at;
    if (HasAt(s, at, kOpening)) {
        out.kind = MessageKind::Opening;
        out.raw = kOpening;
        return true;
    }
    const bool isNew = HasAt(s, at, kNewSelfTestHeader);
    if (isNew || HasAt(s, at, kOldSelfTestHeader)) {
        if (at + 9 > s.size())
            return false;
        const std::size_t n = ReadLittleEndian(s, at + 7, 2);
        if (at + 9 + n > s.size())
            return false;
        out.kind = MessageKind::SelfTest;
        out.code = kDLSF;
        out.header = isNew ? SelfTestHeader::New : SelfTestHeader::Old;
        out.number = n;
        out.text = s.substr(at + 9, n);
        out.raw = s.substr(at, 9 + n);
        return true;
    }
    if (!HasAt(s, at, kFrameStart))
        return false;
    const CommandLayout* command = FindCommand(s, at + 3);
    if (command == nullptr)
        return false;
    const std::size_t valueAt = at + 7;
    std::size_t length = 0;
    switch (command->layout) {
        case ValueLayout::Byte:
            length = 1;
            break;
        case ValueLayout::Word:
            length = 2;
            break;
        case ValueLayout::DWord:
            length = 4;
            break;
        case ValueLayout::Counted:
            if (valueAt >= s.size())
                return false;
            length = 1 + At(s, valueAt);
            break;
    }
    if (valueAt + length > s.size())
        return false;
    out.kind = MessageKind::Command;
    out.code = command->code;
    if (command->layout == ValueLayout::Counted) {
        out.text = s.substr(valueAt + 1, length - 1);
        out.number = length - 1;
    } else {
        out.number = ReadLittleEndian(s, valueAt, static_cast<int>(length));
    }
    out.raw = s.substr(at, 7 + length);
    return true;
}

// The first bytes in hex, "..." after them when there are more.
std::string FirstBytes(const std::string& bytes, std::size_t most) {
    return text::HexBytes(std::string_view(bytes).substr(0, most)) +
           (bytes.size() > most ? " ..." : "");
}

std::string Quoted(const std::string& text) {
    std::string q = "\"";
    char buf[8];
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            q += buf;
        } else {
            q += ch;
        }
    }
    return q + "\"";
}

}  // namespace

std::vector<DecodedMessage> Decode(const std::string& bytes) {
    std::vector<DecodedMessage> messages;
    if (bytes == kProbeBytes) {
        DecodedMessage probe;
        probe.kind = MessageKind::Probe;
        probe.raw = bytes;
        messages.push_back(probe);
        return messages;
    }
    std::size_t at = 0;
    DecodedMessage m;
    while (at < bytes.size()) {
        if (TryDecodeAt(bytes, at, m)) {
            at += m.raw.size();
            messages.push_back(std::move(m));
            continue;
        }
        // Unaccounted byte: join it to the run of unknown bytes before it.
        if (messages.empty() || messages.back().kind != MessageKind::Unknown ||
            messages.back().offset + messages.back().raw.size() != at) {
            DecodedMessage unknown;
            unknown.offset = at;
            messages.push_back(unknown);
        }
        messages.back().raw += bytes[at];
        ++at;
    }
    return messages;
}

std::string Describe(const DecodedMessage& message) {
    char buf[64];
    switch (message.kind) {
        case MessageKind::Opening:
            return "OPEN";
        case MessageKind::Probe:
            return "PROBE";
        case MessageKind::SelfTest:
            return std::string(kDLSF) +
                   (message.header == SelfTestHeader::New ? " new " : " old ") +
                   std::to_string(message.number) + " bytes";
        case MessageKind::Unknown:
            return "?? " + std::to_string(message.raw.size()) + " bytes at offset " +
                   std::to_string(message.offset) + ": " + FirstBytes(message.raw, 16);
        case MessageKind::Command:
            break;
    }
    for (const auto& c : kCommands) {
        if (message.code != c.code)
            continue;
        if (c.layout == ValueLayout::Counted)
            return message.code + " " + Quoted(message.text);
        if (c.shown == Shown::Hex) {
            std::snprintf(buf, sizeof buf, " %02X", static_cast<unsigned>(message.number));
            return message.code + buf;
        }
        return message.code + " " + std::to_string(message.number);
    }
    return message.code;
}

std::string DescribeAll(const std::vector<DecodedMessage>& messages) {
    std::string text;
    for (const auto& m : messages) {
        text += Describe(m);
        text += '\n';
    }
    return text;
}

}  // namespace bpconf::protocol
