#include "operator/SystemLanguage.h"

#include <limits>

#include "platform/AsciiText.h"
#include "protocol/IntConv.h"

namespace bpconf::op {

std::string GetSystemLanguage(const std::string& languageIdText) {
    // The ID is read as a hexadecimal number; a reply that is not one counts as "other".
    const auto id =
        protocol::ParseInteger("$" + languageIdText, 0, std::numeric_limits<std::int32_t>::max());
    const bool chinese = id && (*id == 0x0804 || *id == 0x0004 || *id == 0x1004);
    return chinese ? "CHINESE" : "ENGLISH";
}

std::string GetSystemLanguage(platform::ILocale& locale) {
    return GetSystemLanguage(locale.UserLanguageId());
}

std::string SystemInterfaceLanguage(platform::ILocale& locale) {
    return text::ToLowerAscii(GetSystemLanguage(locale));
}

}  // namespace bpconf::op
