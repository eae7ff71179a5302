#include "platform/AnsiText.h"

namespace bpconf::platform {

namespace {

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

}  // namespace

std::string AnsiCodePageForLocale(const std::string& localeName) {
    if (StartsWith(localeName, "zh_CN") || StartsWith(localeName, "zh_SG"))
        return "CP936";
    if (StartsWith(localeName, "zh_TW") || StartsWith(localeName, "zh_HK"))
        return "CP950";
    if (StartsWith(localeName, "ja"))
        return "CP932";
    if (StartsWith(localeName, "ko"))
        return "CP949";
    return "CP1252";
}

}  // namespace bpconf::platform
