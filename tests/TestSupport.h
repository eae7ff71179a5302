// Helpers shared by the test suites.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bpconf::test {

// "1B 23 23" -> the three bytes.
inline std::string Bytes(const std::string& hex) {
    std::string out;
    unsigned value = 0;
    int digits = 0;
    for (char c : hex) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        if (d < 0)
            continue;
        value = value * 16 + static_cast<unsigned>(d);
        if (++digits == 2) {
            out += static_cast<char>(value);
            value = 0;
            digits = 0;
        }
    }
    return out;
}

// The bytes as upper-case hex pairs separated by blanks, for readable failure messages.
inline std::string Hex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(bytes[i]));
        if (i)
            out += ' ';
        out += buf;
    }
    return out;
}

}  // namespace bpconf::test
