// Prints how Utf8ToCodePage writes each character of the Basic Multilingual Plane (surrogates
// left out) and a few beyond it in one code page, a line each ("20AC 80"), so the Linux and the
// Windows build can be compared character by character (tests/wine/wine-tests.sh):
//   bpconf_code_page_table CP1251
#include <cstdio>
#include <exception>
#include <string>

#include "platform/AnsiText.h"
#include "platform/CodePageText.h"
#include "platform/Environment.h"

namespace {

void PrintLine(char32_t c, const std::string& bytes) {
    std::printf("%04X", static_cast<unsigned>(c));
    for (const char b : bytes)
        std::printf(" %02X", static_cast<unsigned char>(b));
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bpconf_code_page_table CODEPAGE\n");
        return 2;
    }
    bpconf::platform::PrepareConsole();
    const std::string codePage = argv[1];
    try {
        for (char32_t c = 0; c < 0x10000; ++c) {
            if (c < 0xD800 || c > 0xDFFF)
                PrintLine(
                    c, bpconf::platform::Utf8ToCodePage(bpconf::platform::EncodeUtf8(c), codePage));
        }
        // Beyond the BMP: the first, an emoji, a CJK ideograph of Extension B, the last.
        for (const char32_t c : {0x10000u, 0x1F600u, 0x20000u, 0x10FFFFu})
            PrintLine(c,
                      bpconf::platform::Utf8ToCodePage(bpconf::platform::EncodeUtf8(c), codePage));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
