#include "operator/LineAddress.h"

#include <algorithm>

#include "operator/LanguageTables.h"

namespace bpconf::op {

namespace {

// Replaces the value of each "password=" (libpq's keyword form allows blanks around the '=' and
// a value in single quotes, with \' inside; a URL's query ends a value at '&') by "***".
std::string WithoutPasswordValues(std::string text) {
    const std::string key = "password";
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        std::size_t start = text.find_first_not_of(" \t", at + key.size());
        if (start == std::string::npos || text[start] != '=')
            continue;
        start = text.find_first_not_of(" \t", start + 1);
        if (start == std::string::npos)
            break;
        std::size_t end = start;
        if (text[start] == '\'') {
            for (end = start + 1; end < text.size() && text[end] != '\''; ++end) {
                if (text[end] == '\\')
                    ++end;
            }
            end = std::min(end + 1, text.size());
        } else {
            end = text.find_first_of(" \t&", start);
            if (end == std::string::npos)
                end = text.size();
        }
        text.replace(start, end - start, "***");
    }
    return text;
}

}  // namespace

std::string ShownLineAddress(const std::string& address) {
    std::string shown = address;
    const std::size_t scheme = shown.find("://");
    if (scheme != std::string::npos) {
        // user:password@host: the part between "://" and the first '@' before any '/'.
        const std::size_t authority = scheme + 3;
        const std::size_t slash = shown.find('/', authority);
        const std::size_t at = shown.rfind('@', slash == std::string::npos ? shown.size() : slash);
        if (at != std::string::npos && at >= authority) {
            const std::size_t colon = shown.find(':', authority);
            if (colon != std::string::npos && colon < at)
                shown.replace(colon + 1, at - colon - 1, "***");
        }
    }
    return WithoutPasswordValues(shown);
}

std::string LineAddressProblem(const std::string& language, const std::string& address) {
    const std::size_t scheme = address.find("://");
    bool ok = false;
    if (scheme != std::string::npos) {
        const std::string name = address.substr(0, scheme);
        ok = name == "postgresql" || name == "postgres";
    } else {
        // libpq's keyword form: every word is key=value.
        ok = !address.empty() && address.front() != '=' && address.find('=') != std::string::npos;
    }
    if (ok)
        return std::string();
    const std::string shown = ShownLineAddress(address);
    return IsChinese(language)
               ? "生产线数据库地址“" + shown +
                     "”不是 PostgreSQL 地址：应以 postgresql:// 或 postgres:// 开头（例如 "
                     "postgresql://bpconf@line-db/bpconf_line），或写成 host=… dbname=…"
               : "the line's database address '" + shown +
                     "' is not a PostgreSQL address: it should begin with postgresql:// or "
                     "postgres:// (e.g. postgresql://bpconf@line-db/bpconf_line), or read "
                     "host=… dbname=…";
}

}  // namespace bpconf::op
