// Builders of the printer configuration messages. Each takes the control values the window
// holds (texts, an item index, a tick state) and returns the whole frame as a counted byte
// string: ESC '#' '#', the four-letter code, then the value bytes (0x00 bytes are data).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace bpconf::protocol {

using Frame = std::string;

// The four-letter codes, in the order the update run sends them; DLSF, the self-test information
// message, goes out between BTLK and SBDR.
inline constexpr const char* kSLAN = "SLAN";  // default character code page
inline constexpr const char* kSTDP = "STDP";  // print density
inline constexpr const char* kBDIT = "BDIT";  // aging (burn-in) time, seconds
inline constexpr const char* kLFCH = "LFCH";  // newline character
inline constexpr const char* kEDCD = "EDCD";  // data encryption on/off
inline constexpr const char* kBLSP = "BLSP";  // stop when no black mark is found
inline constexpr const char* kSPTI = "SPTI";  // standby time, seconds
inline constexpr const char* kCHTY = "CHTY";  // font type
inline constexpr const char* kSTSN = "STSN";  // serial number
inline constexpr const char* kSBCV = "SBCV";  // black-mark sensor value, millivolts
inline constexpr const char* kBTLK = "BTLK";  // forced connection on/off
inline constexpr const char* kSBDR = "SBDR";  // serial baud rate
inline constexpr const char* kBTRN = "BTRN";  // printer name
inline constexpr const char* kDLSF = "DLSF";  // self-test information download

// The fixed bytes of the messages, for the builders and the decoder alike.
inline constexpr std::string_view kFrameStart{"\x1B##", 3};              // ESC '#' '#'
inline constexpr std::string_view kOpeningBytes{"\x1D\x45\x43\x01", 4};  // GS 'E' 'C' 0x01
// The self-test information message's headers: ESC "##DLSF", and the older one.
inline constexpr std::string_view kNewSelfTestHeader{"\x1B\x23\x23\x44\x4C\x53\x46", 7};
inline constexpr std::string_view kOldSelfTestHeader{"\x1B\x23\x42\xFA\xCD\x87\x15", 7};

// Sent first whenever the run uses the printer driver.
Frame OpeningMessage();

// The delivery check sent after a run's last message when the spooler's word is all there is
// that the message arrived: one NUL byte, which the printer ignores. It reaches the printer only
// over a link that held through the message before it.
inline constexpr std::string_view kProbeBytes{"\0", 1};

// ESC "##" + code + value.
Frame MakeFrame(const std::string& code, const std::string& value);

// Code page from the text of the selected cboLanage item: its first two characters, strict
// 32-bit conversion, lowest byte. Raises NotAnIntegerError.
Frame BuildSLAN(const std::string& itemText);
// Density from the text of cboLevel: 32-bit with default 2, lowest byte.
Frame BuildSTDP(const std::string& levelText);
// Aging time from Edit4: strict 64-bit on the untrimmed text, lowest four bytes.
Frame BuildBDIT(const std::string& secondsText);
// 0x0D only when ticked and an item other than the first ("0A") is selected.
Frame BuildLFCH(bool ticked, int itemIndex);
Frame BuildEDCD(bool ticked);
Frame BuildBLSP(bool ticked);
// Standby time from Edit3: strict 64-bit on the untrimmed text, lowest four bytes.
Frame BuildSPTI(const std::string& secondsText);
// 0x82 for item 0 (fixed width), 0x81 for any other item.
Frame BuildCHTY(int itemIndex);
// The year-month stamp and the counter text, each trimmed, joined and preceded by their length.
// Raises NotAnIntegerError when the joined text does not fit the length byte.
Frame BuildSTSN(const std::string& yearMonthStamp, const std::string& counterText);
// Sensor value from Edit2: trimmed, 32-bit with default 3000, lowest two bytes.
Frame BuildSBCV(const std::string& millivoltText);
Frame BuildBTLK(bool ticked);
// Baud rate from cboNewCom: 64-bit with default 9600, lowest three bytes, then 0x00.
Frame BuildSBDR(const std::string& rateText);
// Printer name already in the system's ANSI code page; trimmed, preceded by its length. An empty
// trimmed name gives no frame. Raises NotAnIntegerError when the name does not fit the length byte.
std::optional<Frame> BuildBTRN(const std::string& ansiName);

// The value bytes of a number in little-endian order, cut to the given width.
std::string LittleEndian(std::uint64_t value, int width);

}  // namespace bpconf::protocol
