#include <iconv.h>

#include <cerrno>

#include "platform/AnsiText.h"
#include "platform/Environment.h"

namespace bpconf::platform {

namespace {

// Number of bytes of the UTF-8 sequence whose lead byte is b (1 for a stray byte).
std::size_t Utf8SequenceLength(unsigned char b) {
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    if (b >= 0xE0)
        return b <= 0xEF ? 3 : 1;
    if (b >= 0xC2)
        return 2;
    return 1;
}

// Converts text with iconv, replacing each unconvertible input unit (one character, or one
// byte when the input is not well-formed) by the given replacement.
std::string Convert(const std::string& text, const char* from, const char* to, bool fromUtf8,
                    const std::string& replacement) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string();
    }
    std::string out;
    out.reserve(text.size() * 2);
    std::string in = text;
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1)) {
            continue;
        }
        if (errno == E2BIG) {
            continue;
        }
        // EILSEQ or EINVAL: skip the unit that cannot be converted.
        std::size_t skip = 1;
        if (fromUtf8) {
            skip = Utf8SequenceLength(static_cast<unsigned char>(*inPtr));
        }
        if (skip > inLeft)
            skip = inLeft;
        inPtr += skip;
        inLeft -= skip;
        out += replacement;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state.
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    ::iconv_close(cd);
    return out;
}

}  // namespace

std::string UserAnsiCodePage() {
    return AnsiCodePageForLocale(LocaleFromEnvironment({"LC_ALL", "LC_CTYPE", "LANG"}));
}

std::string Utf8ToCodePage(const std::string& utf8, const std::string& codePage) {
    return Convert(utf8, "UTF-8", codePage.c_str(), true, "?");
}

std::string Utf8ToAnsi(const std::string& utf8) {
    return Utf8ToCodePage(utf8, UserAnsiCodePage());
}

std::string CodePageToUtf8(const std::string& bytes, const std::string& codePage) {
    return Convert(bytes, codePage.c_str(), "UTF-8", false, "\xEF\xBF\xBD");
}

}  // namespace bpconf::platform
