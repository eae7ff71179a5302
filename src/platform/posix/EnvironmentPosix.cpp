// The environment on POSIX: language IDs of locale names, the host name, the user's folders, the
// arguments and the environment variables.
#include <unistd.h>

#include "platform/Backends.h"
#include "platform/posix/XdgPaths.h"

namespace bpconf::platform {

namespace {

struct LanguageId {
    const char* locale;  // language_TERRITORY, or the language alone
    const char* id;
};

// Windows language IDs (LCIDs) of the locales a production line is likely to run under.
constexpr LanguageId kLanguageIds[] = {
    {"zh_CN", "0804"}, {"zh_SG", "1004"}, {"zh_TW", "0404"}, {"zh_HK", "0C04"}, {"zh_MO", "1404"},
    {"zh", "0004"},    {"en_US", "0409"}, {"en_GB", "0809"}, {"en_AU", "0C09"}, {"en_CA", "1009"},
    {"en_NZ", "1409"}, {"en_IE", "1809"}, {"en_IN", "4009"}, {"en_SG", "4809"}, {"en", "0009"},
    {"de_DE", "0407"}, {"de_CH", "0807"}, {"de_AT", "0C07"}, {"de", "0007"},    {"fr_FR", "040C"},
    {"fr_BE", "080C"}, {"fr_CA", "0C0C"}, {"fr_CH", "100C"}, {"fr", "000C"},    {"es_ES", "0C0A"},
    {"es_MX", "080A"}, {"es", "000A"},    {"it_IT", "0410"}, {"it", "0010"},    {"ja_JP", "0411"},
    {"ja", "0011"},    {"ko_KR", "0412"}, {"ko", "0012"},    {"nl_NL", "0413"}, {"pl_PL", "0415"},
    {"pt_BR", "0416"}, {"pt_PT", "0816"}, {"ru_RU", "0419"}, {"sv_SE", "041D"}, {"th_TH", "041E"},
    {"tr_TR", "041F"}, {"vi_VN", "042A"}, {"ar_SA", "0401"}, {"he_IL", "040D"}, {"cs_CZ", "0405"},
    {"hu_HU", "040E"}, {"el_GR", "0408"}, {"uk_UA", "0422"},
};

const char* FindId(const std::string& key) {
    for (const auto& entry : kLanguageIds) {
        if (key == entry.locale)
            return entry.id;
    }
    return nullptr;
}

}  // namespace

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "station";
    return name;
}

std::optional<std::string> XdgPath(const char* variable, const char* underHome,
                                   const std::string& relative, std::string& whyNot) {
    const char* xdg = std::getenv(variable);
    if (xdg != nullptr && *xdg != '\0') {
        if (*xdg != '/') {
            whyNot = std::string(variable) + " is not an absolute folder: " + xdg;
            return std::nullopt;
        }
        return std::string(xdg) + "/" + relative;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/') {
        whyNot = std::string("neither HOME nor ") + variable + " names an absolute folder";
        return std::nullopt;
    }
    return std::string(home) + "/" + underHome + "/" + relative;
}

// The station's record beside the user's other data, never in the folder the tool was started
// from.
std::optional<std::string> DefaultRecordPath(std::string& whyNot) {
    return XdgPath("XDG_DATA_HOME", ".local/share", "bpconf/units.sqlite", whyNot);
}

std::optional<std::string> EnvironmentVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

std::string LanguageIdForLocale(const std::string& localeName) {
    // "zh_CN.UTF-8@modifier" -> "zh_CN"; the language alone when the territory is unknown.
    std::string key = localeName.substr(0, localeName.find_first_of(".@"));
    if (const char* id = FindId(key))
        return id;
    const std::string language = key.substr(0, key.find('_'));
    if (const char* id = FindId(language))
        return id;
    return "0409";  // C, POSIX and anything unknown: English (United States)
}

void PrepareConsole() {}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace bpconf::platform
