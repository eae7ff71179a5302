#include <algorithm>
#include <cctype>

#include "platform/AnsiText.h"
#include "platform/CodePageText.h"

namespace bpconf::platform {

namespace {

struct LocaleCodePage {
    const char* key;  // "language", "language_TERRITORY" or "language@modifier"
    const char* codePage;
};

// The ANSI code page Windows gives a system whose locale is set to the language: its default
// ANSI code page (LOCALE_IDEFAULTANSICODEPAGE). Western languages are listed although they are
// also what every unlisted locale gets.
constexpr LocaleCodePage kLocaleCodePages[] = {
    // Thai, Japanese, Chinese, Korean
    {"th", "CP874"},
    {"ja", "CP932"},
    {"zh", "CP936"},
    {"zh_CN", "CP936"},
    {"zh_SG", "CP936"},
    {"zh_TW", "CP950"},
    {"zh_HK", "CP950"},
    {"zh_MO", "CP950"},
    {"ko", "CP949"},
    // Central European; Serbian in Latin letters
    {"bs", "CP1250"},
    {"cs", "CP1250"},
    {"hr", "CP1250"},
    {"hu", "CP1250"},
    {"pl", "CP1250"},
    {"ro", "CP1250"},
    {"sk", "CP1250"},
    {"sl", "CP1250"},
    {"sq", "CP1250"},
    {"tk", "CP1250"},
    {"sr@latin", "CP1250"},
    // Cyrillic; Serbian without a modifier is written in Cyrillic letters
    {"ba", "CP1251"},
    {"be", "CP1251"},
    {"bg", "CP1251"},
    {"kk", "CP1251"},
    {"ky", "CP1251"},
    {"mk", "CP1251"},
    {"mn", "CP1251"},
    {"ru", "CP1251"},
    {"sah", "CP1251"},
    {"sr", "CP1251"},
    {"tg", "CP1251"},
    {"tt", "CP1251"},
    {"uk", "CP1251"},
    {"uz@cyrillic", "CP1251"},
    // Western
    {"af", "CP1252"},
    {"ca", "CP1252"},
    {"da", "CP1252"},
    {"de", "CP1252"},
    {"en", "CP1252"},
    {"es", "CP1252"},
    {"eu", "CP1252"},
    {"fi", "CP1252"},
    {"fo", "CP1252"},
    {"fr", "CP1252"},
    {"ga", "CP1252"},
    {"gl", "CP1252"},
    {"id", "CP1252"},
    {"is", "CP1252"},
    {"it", "CP1252"},
    {"ms", "CP1252"},
    {"nb", "CP1252"},
    {"nl", "CP1252"},
    {"nn", "CP1252"},
    {"no", "CP1252"},
    {"pt", "CP1252"},
    {"sv", "CP1252"},
    {"sw", "CP1252"},
    // Greek, Turkish (Azerbaijani and Uzbek in Latin letters), Hebrew, Arabic script, Baltic,
    // Vietnamese
    {"el", "CP1253"},
    {"az", "CP1254"},
    {"tr", "CP1254"},
    {"uz", "CP1254"},
    {"he", "CP1255"},
    {"iw", "CP1255"},
    {"ar", "CP1256"},
    {"fa", "CP1256"},
    {"ug", "CP1256"},
    {"ur", "CP1256"},
    {"et", "CP1257"},
    {"lt", "CP1257"},
    {"lv", "CP1257"},
    {"vi", "CP1258"},
};

const char* Find(const std::string& key) {
    for (const auto& entry : kLocaleCodePages) {
        if (key == entry.key)
            return entry.codePage;
    }
    return nullptr;
}

bool IsContinuation(unsigned char b) {
    return b >= 0x80 && b <= 0xBF;
}

}  // namespace

std::string AnsiCodePageForLocale(const std::string& localeName) {
    // language[_TERRITORY][.codeset][@modifier]: the modifier names the script where a language
    // has two, the territory the Chinese variant; else the language decides.
    const std::size_t at = localeName.find('@');
    const std::string modifier = at == std::string::npos ? std::string() : localeName.substr(at);
    const std::string name = localeName.substr(0, std::min(at, localeName.find('.')));
    const std::string language = name.substr(0, name.find('_'));
    if (!modifier.empty()) {
        if (const char* codePage = Find(language + modifier))
            return codePage;
    }
    if (const char* codePage = Find(name))
        return codePage;
    if (const char* codePage = Find(language))
        return codePage;
    return "CP1252";
}

std::string EncodeUtf8(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | c >> 6);
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | c >> 12);
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | c >> 18);
        s += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

std::size_t WellFormedUtf8Length(const std::string& text, std::size_t pos) {
    if (pos >= text.size())
        return 0;
    const auto at = [&](std::size_t i) {
        return pos + i < text.size() ? static_cast<unsigned char>(text[pos + i]) : 0u;
    };
    const unsigned lead = at(0);
    if (lead < 0x80)
        return 1;
    // The second byte's range depends on the lead: it excludes overlong forms, surrogates and
    // values beyond U+10FFFF.
    unsigned low = 0x80, high = 0xBF;
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (pos + length > text.size() || at(1) < low || at(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(at(i)))
            return 0;
    }
    return length;
}

std::string ReplaceMalformedUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = WellFormedUtf8Length(text, pos);
        if (length == 0) {
            out += '?';
            ++pos;
        } else {
            out.append(text, pos, length);
            pos += length;
        }
    }
    return out;
}

std::optional<unsigned> CodePageNumber(const std::string& codePage) {
    if (codePage.size() < 3 || codePage.size() > 7 || codePage.compare(0, 2, "CP") != 0)
        return std::nullopt;
    unsigned number = 0;
    for (std::size_t i = 2; i < codePage.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(codePage[i])))
            return std::nullopt;
        number = number * 10 + static_cast<unsigned>(codePage[i] - '0');
    }
    return number;
}

}  // namespace bpconf::platform
