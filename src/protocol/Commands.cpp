#include "protocol/Commands.h"

#include "platform/AsciiText.h"
#include "protocol/IntConv.h"
#include "transport/Errors.h"

namespace bpconf::protocol {

namespace {

Frame OnOff(const char* code, bool ticked) {
    return MakeFrame(code, std::string(1, ticked ? '\x01' : '\x00'));
}

// The first n characters of UTF-8 text (a character may span several bytes).
std::string FirstCharacters(const std::string& text, int n) {
    std::size_t end = 0;
    for (int c = 0; c < n && end < text.size(); ++c) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            ++end;
    }
    return text.substr(0, end);
}

// Text preceded by its length in one byte; a text too long for that byte is refused rather than
// sent with a wrong length that would shift every following byte on the printer.
std::string Counted(const std::string& what, const std::string& text) {
    if (text.size() > 255) {
        throw NotAnIntegerError("'" + what + "' is longer than 255 bytes");
    }
    return std::string(1, static_cast<char>(text.size())) + text;
}

}  // namespace

Frame OpeningMessage() {
    return std::string(kOpeningBytes);
}

Frame MakeFrame(const std::string& code, const std::string& value) {
    return std::string(kFrameStart) + code + value;
}

std::string LittleEndian(std::uint64_t value, int width) {
    std::string bytes;
    for (int i = 0; i < width; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

Frame BuildSLAN(const std::string& itemText) {
    const std::int32_t number = ToInt32(FirstCharacters(itemText, 2));
    return MakeFrame(kSLAN, LittleEndian(static_cast<std::uint32_t>(number), 1));
}

Frame BuildSTDP(const std::string& levelText) {
    const std::int32_t level = ToInt32Or(levelText, 2);
    return MakeFrame(kSTDP, LittleEndian(static_cast<std::uint32_t>(level), 1));
}

Frame BuildBDIT(const std::string& secondsText) {
    const std::int64_t seconds = ToInt64(secondsText);
    return MakeFrame(kBDIT, LittleEndian(static_cast<std::uint64_t>(seconds), 4));
}

Frame BuildLFCH(bool ticked, int itemIndex) {
    const bool carriageReturn = ticked && itemIndex != 0;
    return MakeFrame(kLFCH, std::string(1, carriageReturn ? '\x0D' : '\x0A'));
}

Frame BuildEDCD(bool ticked) {
    return OnOff(kEDCD, ticked);
}

Frame BuildBLSP(bool ticked) {
    return OnOff(kBLSP, ticked);
}

Frame BuildSPTI(const std::string& secondsText) {
    const std::int64_t seconds = ToInt64(secondsText);
    return MakeFrame(kSPTI, LittleEndian(static_cast<std::uint64_t>(seconds), 4));
}

Frame BuildCHTY(int itemIndex) {
    return MakeFrame(kCHTY, std::string(1, itemIndex == 0 ? '\x82' : '\x81'));
}

Frame BuildSTSN(const std::string& yearMonthStamp, const std::string& counterText) {
    const std::string serial = text::Trim(yearMonthStamp) + text::Trim(counterText);
    return MakeFrame(kSTSN, Counted(serial, serial));
}

Frame BuildSBCV(const std::string& millivoltText) {
    const std::int32_t mv = ToInt32Or(text::Trim(millivoltText), 3000);
    return MakeFrame(kSBCV, LittleEndian(static_cast<std::uint32_t>(mv), 2));
}

Frame BuildBTLK(bool ticked) {
    return OnOff(kBTLK, ticked);
}

Frame BuildSBDR(const std::string& rateText) {
    const std::int64_t rate = ToInt64Or(rateText, 9600);
    return MakeFrame(kSBDR, LittleEndian(static_cast<std::uint64_t>(rate), 3) + '\0');
}

std::optional<Frame> BuildBTRN(const std::string& ansiName) {
    const std::string name = text::Trim(ansiName);
    if (name.empty()) {
        return std::nullopt;
    }
    return MakeFrame(kBTRN, Counted(name, name));
}

}  // namespace bpconf::protocol
