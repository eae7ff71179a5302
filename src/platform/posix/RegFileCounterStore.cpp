#include "platform/RegFileCounterStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

const char* const kHeader = "Windows Registry Editor Version 5.00";

std::string KeyLine() {
    return std::string("[HKEY_CURRENT_USER\\") + kCounterKeyPath + "]";
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string TrimLine(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

// Reads a quoted, backslash-escaped string starting at s[at] == '"'; sets `end` past it.
bool ParseQuoted(const std::string& s, std::size_t at, std::string& out, std::size_t& end) {
    if (at >= s.size() || s[at] != '"')
        return false;
    out.clear();
    for (std::size_t i = at + 1; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            out += s[++i];
        } else if (s[i] == '"') {
            end = i + 1;
            return true;
        } else {
            out += s[i];
        }
    }
    return false;
}

std::string Quote(const std::string& text) {
    std::string q = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            q += '\\';
        q += c;
    }
    return q + "\"";
}

// A value line of the key: its name and, after '=', the raw value text.
bool ParseValueLine(const std::string& line, std::string& name, std::string& value) {
    std::size_t end = 0;
    if (!ParseQuoted(line, 0, name, end))
        return false;
    if (end >= line.size() || line[end] != '=')
        return false;
    value = line.substr(end + 1);
    return true;
}

std::vector<std::string> ReadLines(const std::string& path, bool& exists) {
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Where the counter's key section starts and ends (one past its last line) in the lines.
bool FindKey(const std::vector<std::string>& lines, std::size_t& begin, std::size_t& end) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!EqualNoCase(TrimLine(lines[i]), KeyLine()))
            continue;
        begin = i;
        end = i + 1;
        while (end < lines.size() && TrimLine(lines[end]).rfind('[', 0) != 0)
            ++end;
        return true;
    }
    return false;
}

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

StoredValue RegFileCounterStore::Read() {
    bool exists = false;
    const auto lines = ReadLines(path_, exists);
    std::size_t begin = 0, end = 0;
    StoredValue result;
    if (!exists || !FindKey(lines, begin, end))
        return result;
    for (std::size_t i = begin + 1; i < end; ++i) {
        std::string name, value;
        if (!ParseValueLine(TrimLine(lines[i]), name, value))
            continue;
        if (!EqualNoCase(name, kCounterValueName))
            continue;
        std::string text;
        std::size_t after = 0;
        // Only a quoted value is a string; dword:…, hex:…, hex(2):… are other types.
        if (ParseQuoted(value, 0, text, after)) {
            result.kind = StoredValue::Kind::Text;
            result.text = text;
        } else {
            result.kind = StoredValue::Kind::NotAString;
        }
        return result;
    }
    return result;
}

bool RegFileCounterStore::Write(const std::string& text) {
    namespace fs = std::filesystem;
    bool exists = false;
    auto lines = ReadLines(path_, exists);
    if (!exists || lines.empty())
        lines = {kHeader, ""};

    const std::string valueLine = Quote(kCounterValueName) + "=" + Quote(text);
    std::size_t begin = 0, end = 0;
    if (FindKey(lines, begin, end)) {
        bool replaced = false;
        for (std::size_t i = begin + 1; i < end; ++i) {
            std::string name, value;
            if (ParseValueLine(TrimLine(lines[i]), name, value) &&
                EqualNoCase(name, kCounterValueName)) {
                lines[i] = valueLine;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            // After the key's last non-blank line.
            std::size_t at = end;
            while (at > begin + 1 && TrimLine(lines[at - 1]).empty())
                --at;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), valueLine);
        }
    } else {
        if (!lines.back().empty())
            lines.push_back("");
        lines.push_back(KeyLine());
        lines.push_back(valueLine);
    }

    std::string content;
    for (const auto& l : lines)
        content += l + "\r\n";

    std::error_code ec;
    const fs::path target(path_);
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), ec);
    const std::string temp = path_ + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written) {
        ::unlink(temp.c_str());
        return false;
    }
    if (beforeReplace_)
        beforeReplace_();
    if (::rename(temp.c_str(), path_.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

std::string DefaultCounterFilePath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = std::string(home) + "/.config";
    } else {
        base = ".";
    }
    return base + "/kelvor/PrinterTest.reg";
}

std::unique_ptr<ICounterStore> CreateFileCounterStore(std::string path) {
    return std::make_unique<RegFileCounterStore>(std::move(path));
}

std::unique_ptr<ICounterStore> CreateSystemCounterStore() {
    return CreateFileCounterStore(DefaultCounterFilePath());
}

}  // namespace bpconf::platform
