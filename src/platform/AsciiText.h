// The few text operations every layer needs, on ASCII letters and blanks only (the operator's
// texts are UTF-8, printer names 8-bit code pages: bytes above 0x7F are never touched).
#pragma once

#include <string>
#include <string_view>

namespace bpconf::text {

inline std::string ToUpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

inline std::string ToLowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ToLowerAscii(std::string(a)) == ToLowerAscii(std::string(b));
}

// Whether the text is one or more of the digits 0-9 and nothing else.
inline bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The text without the blanks and control characters (bytes up to 0x20) around it.
inline std::string Trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20)
        --end;
    return std::string(text.substr(begin, end - begin));
}

// Each byte as two upper-case hexadecimal digits, the bytes separated by blanks ("1B 23 23").
inline std::string HexBytes(std::string_view bytes) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string hex;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (i > 0)
            hex += ' ';
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0x0F];
    }
    return hex;
}

}  // namespace bpconf::text
