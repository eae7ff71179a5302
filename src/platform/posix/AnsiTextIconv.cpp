// The ANSI code pages through iconv, giving the bytes Windows gives: each character is converted
// on its own and kept only when it reads back as itself, as WideCharToMultiByte does with
// WC_NO_BEST_FIT_CHARS, so no look-alike, transliteration or decomposed form is ever sent. The
// few characters Windows' tables hold otherwise than iconv's come from WindowsCodePageExtras.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "platform/AnsiText.h"
#include "platform/CodePageText.h"
#include "platform/Environment.h"
#include "platform/posix/WindowsCodePageExtras.h"

namespace bpconf::platform {

namespace {

// An iconv conversion descriptor, closed with the object.
class Converter {
  public:
    // Throws std::runtime_error with the code page and the system's reason when iconv cannot
    // convert between the two encodings.
    Converter(const std::string& to, const std::string& from, const std::string& what) {
        cd_ = ::iconv_open(to.c_str(), from.c_str());
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            const int error = errno;
            throw std::runtime_error(what + ": " + std::system_category().message(error));
        }
    }
    ~Converter() { ::iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts what is left of the input and appends it to out (with a null input: ends the
    // shift state). The number of irreversible conversions, or nothing when iconv stopped at
    // input it cannot convert; *in then points at that input.
    std::optional<std::size_t> Run(char** in, std::size_t* inLeft, std::string& out) {
        for (;;) {
            char buffer[64];
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = ::iconv(cd_, in, inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc != static_cast<std::size_t>(-1))
                return rc;
            if (errno != E2BIG)
                return std::nullopt;
        }
    }

    // The whole input converted from the initial state, with nothing irreversible; nothing when
    // any of it cannot be converted exactly.
    std::optional<std::string> Exactly(std::string in) {
        Reset();
        std::string out;
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        const auto converted = Run(&inPtr, &inLeft, out);
        if (!converted || *converted != 0)
            return std::nullopt;
        const auto flushed = Run(nullptr, nullptr, out);
        if (!flushed || *flushed != 0)
            return std::nullopt;
        return out;
    }

    void Reset() { ::iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

  private:
    iconv_t cd_;
};

// The most bytes one character takes in a Windows ANSI code page: one in the single-byte code
// pages, two in the Chinese, Japanese and Korean ones; 0 for any other code page. A longer result
// is a decomposition (iconv writes a Vietnamese letter that CP1258 lacks as base letter plus tone
// mark), which Windows never sends.
std::size_t MaxBytesPerCharacter(std::optional<unsigned> codePage) {
    switch (codePage.value_or(0)) {
        case 874:
        case 1250:
        case 1251:
        case 1252:
        case 1253:
        case 1254:
        case 1255:
        case 1256:
        case 1257:
        case 1258:
            return 1;
        case 932:
        case 936:
        case 949:
        case 950:
            return 2;
        default:
            return 0;
    }
}

// The code point of a well-formed UTF-8 sequence.
char32_t DecodeUtf8(const std::string& sequence) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(sequence[i]); };
    switch (sequence.size()) {
        case 1:
            return byte(0);
        case 2:
            return (byte(0) & 0x1Fu) << 6 | (byte(1) & 0x3Fu);
        case 3:
            return (byte(0) & 0x0Fu) << 12 | (byte(1) & 0x3Fu) << 6 | (byte(2) & 0x3Fu);
        default:
            return (byte(0) & 0x07u) << 18 | (byte(1) & 0x3Fu) << 12 | (byte(2) & 0x3Fu) << 6 |
                   (byte(3) & 0x3Fu);
    }
}

}  // namespace

std::string UserAnsiCodePage() {
    return AnsiCodePageForLocale(LocaleFromEnvironment({"LC_ALL", "LC_CTYPE", "LANG"}));
}

std::string Utf8ToCodePage(const std::string& utf8, const std::string& codePage) {
    const std::string why = "Text cannot be converted to code page " + codePage;
    Converter encode(codePage, "UTF-8", why);
    Converter decode("UTF-8", codePage, why);
    const std::optional<unsigned> number = CodePageNumber(codePage);
    // In a Windows ANSI code page every character has one or two bytes, and none lies beyond
    // U+FFFF: Windows converts the two UTF-16 units of such a character one by one.
    const std::size_t maxBytes = MaxBytesPerCharacter(number);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t length = WellFormedUtf8Length(utf8, pos);
        if (length == 0) {
            out += '?';
            ++pos;
            continue;
        }
        const std::string character = utf8.substr(pos, length);
        pos += length;
        if (maxBytes != 0) {
            if (length == 4) {
                out += "??";
                continue;
            }
            if (const auto extra = WindowsExtraBytes(*number, DecodeUtf8(character))) {
                out += *extra;
                continue;
            }
        }
        const std::optional<std::string> bytes = encode.Exactly(character);
        if (bytes && !bytes->empty() && (maxBytes == 0 || bytes->size() <= maxBytes) &&
            decode.Exactly(*bytes) == character) {
            out += *bytes;
        } else {
            out += length == 4 ? "??" : "?";
        }
    }
    return out;
}

std::string Utf8ToAnsi(const std::string& utf8) {
    return Utf8ToCodePage(utf8, UserAnsiCodePage());
}

std::string CodePageToUtf8(const std::string& bytes, const std::string& codePage) {
    Converter decode("UTF-8", codePage, "Text cannot be read from code page " + codePage);
    std::string in = bytes;
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    std::string out;
    out.reserve(bytes.size() * 2);
    const std::optional<unsigned> number = CodePageNumber(codePage);
    while (!decode.Run(&inPtr, &inLeft, out)) {
        if (inLeft == 0)
            break;
        // Bytes iconv cannot read: a character Windows' table has beyond iconv's, else a byte
        // that starts no character of the code page, or a character cut short.
        std::size_t taken = 1;
        const auto extra = number
                               ? WindowsExtraCharacter(
                                     *number, std::string(inPtr, std::min<std::size_t>(inLeft, 2)))
                               : std::nullopt;
        if (extra) {
            out += EncodeUtf8(extra->first);
            taken = extra->second;
        } else {
            out += "\xEF\xBF\xBD";
        }
        inPtr += taken;
        inLeft -= taken;
        decode.Reset();
    }
    decode.Run(nullptr, nullptr, out);
    return out;
}

}  // namespace bpconf::platform
