#include "platform/RegFileCounterStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/AsciiText.h"
#include "platform/Backends.h"
#include "platform/CodePageText.h"
#include "platform/Files.h"
#include "platform/UnavailableCounterStore.h"
#include "platform/posix/XdgPaths.h"

namespace bpconf::platform {

namespace {

const char* const kHeader = "Windows Registry Editor Version 5.00";
// A store file is a few lines; anything larger is not one.
constexpr off_t kMaxStoreBytes = 1 << 20;
// Temporary files of a change: "<store>.tmp-XXXXXX".
const char* const kTempInfix = ".tmp-";

std::string KeyLine() {
    return std::string("[HKEY_CURRENT_USER\\") + kCounterKeyPath + "]";
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

// A value line of the key: its name and, after '=', the raw value text (blanks around the '='
// are allowed, as hand-edited files have them).
bool ParseValueLine(const std::string& line, std::string& name, std::string& value) {
    std::size_t end = 0;
    if (!ParseQuoted(line, 0, name, end))
        return false;
    while (end < line.size() && (line[end] == ' ' || line[end] == '\t'))
        ++end;
    if (end >= line.size() || line[end] != '=')
        return false;
    ++end;
    while (end < line.size() && (line[end] == ' ' || line[end] == '\t'))
        ++end;
    value = line.substr(end);
    return true;
}

// The registry editor exports UTF-16LE with a byte-order mark; the tool writes UTF-8.
std::string FileTextAsUtf8(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::string out;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            std::uint32_t unit = static_cast<unsigned char>(bytes[i]) |
                                 (static_cast<unsigned char>(bytes[i + 1]) << 8);
            if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
                const std::uint32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                                          (static_cast<unsigned char>(bytes[i + 3]) << 8);
                if (low >= 0xDC00 && low < 0xE000) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            out += EncodeUtf8(unit);
        }
        return out;
    }
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        return bytes.substr(3);
    return bytes;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// The store file as lines. Missing: exists = false. Unreadable: a reason.
struct FileLines {
    bool exists = false;
    std::vector<std::string> lines;
    std::string unreadable;  // the reason when the file is there but cannot be read
};

FileLines ReadStoreFile(const std::string& path) {
    FileLines f;
    // Non-blocking: a FIFO in the store's place must not hang the tool.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (errno != ENOENT)
            f.unreadable = std::strerror(errno);
        return f;
    }
    f.exists = true;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        f.unreadable = std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
        f.unreadable = std::strerror(EISDIR);
    } else if (!S_ISREG(st.st_mode)) {
        f.unreadable = "not a regular file";
    } else if (st.st_size > kMaxStoreBytes) {
        f.unreadable = "file too large";
    }
    std::string bytes;
    char buffer[4096];
    while (f.unreadable.empty()) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            f.unreadable = std::strerror(errno);
            break;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > static_cast<std::size_t>(kMaxStoreBytes))
            f.unreadable = "file too large";
    }
    ::close(fd);
    if (f.unreadable.empty())
        f.lines = SplitLines(FileTextAsUtf8(bytes));
    return f;
}

// Where the counter's key section starts and ends (one past its last line) in the lines.
bool FindKey(const std::vector<std::string>& lines, std::size_t& begin, std::size_t& end) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!text::EqualsIgnoringCase(text::Trim(lines[i]), KeyLine()))
            continue;
        begin = i;
        end = i + 1;
        while (end < lines.size() && text::Trim(lines[end]).rfind('[', 0) != 0)
            ++end;
        return true;
    }
    return false;
}

StoredValue Unreadable(std::string reason) {
    StoredValue v;
    v.kind = StoredValue::Kind::Unreadable;
    v.reason = std::move(reason);
    return v;
}

// The first line that is not blank names the format: a registry export ("REGEDIT4" for the
// oldest one). Anything else, an empty file included, is no store the tool wrote; it is never
// taken for a missing one.
bool IsRegistryExport(const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
        const std::string t = text::Trim(line);
        if (t.empty())
            continue;
        return t.rfind("Windows Registry Editor Version", 0) == 0 || t == "REGEDIT4";
    }
    return false;
}

StoredValue ValueOf(const FileLines& file) {
    StoredValue result;
    if (!file.unreadable.empty())
        return Unreadable(file.unreadable);
    if (!file.exists)
        return result;
    if (!IsRegistryExport(file.lines))
        return Unreadable("not a registry export file");
    std::size_t begin = 0, end = 0;
    if (!FindKey(file.lines, begin, end))
        return result;
    bool found = false;
    for (std::size_t i = begin + 1; i < end; ++i) {
        const std::string line = text::Trim(file.lines[i]);
        std::string name, value;
        std::size_t nameEnd = 0;
        if (!ParseQuoted(line, 0, name, nameEnd) ||
            !text::EqualsIgnoringCase(name, kCounterValueName))
            continue;
        // A second value of the name: which of them is the counter cannot be told.
        if (found)
            return Unreadable("the value \"" + std::string(kCounterValueName) +
                              "\" is there twice");
        found = true;
        // The value's line is there but cut short or mangled: never taken for a missing value.
        if (!ParseValueLine(line, name, value))
            return Unreadable("the line of the value \"" + name + "\" is damaged");
        std::string quoted;
        std::size_t after = 0;
        if (!value.empty() && value[0] == '"') {
            if (!ParseQuoted(value, 0, quoted, after) || !text::Trim(value.substr(after)).empty())
                return Unreadable("the line of the value \"" + name + "\" is damaged");
            result.kind = StoredValue::Kind::Text;
            result.text = quoted;
        } else {
            // dword:…, hex:…, hex(2):… are values of other types.
            result.kind = StoredValue::Kind::NotAString;
        }
    }
    return result;
}

// The file's lines with the value set to text; other keys and values stay as they were.
std::string ContentWith(std::vector<std::string> lines, const std::string& text) {
    if (lines.empty())
        lines = {kHeader, ""};
    const std::string valueLine = Quote(kCounterValueName) + "=" + Quote(text);
    std::size_t begin = 0, end = 0;
    if (FindKey(lines, begin, end)) {
        bool replaced = false;
        for (std::size_t i = begin + 1; i < end; ++i) {
            std::string name, value;
            if (ParseValueLine(text::Trim(lines[i]), name, value) &&
                text::EqualsIgnoringCase(name, kCounterValueName)) {
                lines[i] = valueLine;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            // After the key's last non-blank line.
            std::size_t at = end;
            while (at > begin + 1 && text::Trim(lines[at - 1]).empty())
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
    return content;
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

CounterChange Failed(CounterChange::Failure failure, std::string reason) {
    CounterChange c;
    c.failure = failure;
    c.reason = std::move(reason);
    return c;
}

// The exclusive lock of one change; released (and its descriptor closed) with the object.
class FileLock {
  public:
    ~FileLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    // Opens or creates the lock file and waits up to timeoutMs for the lock.
    CounterChange Take(const std::string& lockPath, int timeoutMs) {
        // Never through a symbolic link: one planted by another user would have the tool create
        // or lock a file of that user's choosing.
        const int flags = O_CLOEXEC | O_NOCTTY | O_NOFOLLOW;
        fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_EXCL | flags, 0600);
        if (fd_ >= 0) {
            ::fchmod(fd_, 0600);
        } else if (errno == EEXIST) {
            fd_ = ::open(lockPath.c_str(), O_RDWR | flags);
            // A lock file that is there already locks as well when it can only be read.
            if (fd_ < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
                fd_ = ::open(lockPath.c_str(), O_RDONLY | flags);
        }
        if (fd_ < 0) {
            const int error = errno;
            return Failed(
                CounterChange::Failure::Unwritable,
                "cannot open the lock file " + lockPath + ": " +
                    (error == ELOOP ? std::string("it is a symbolic link") : std::strerror(error)));
        }
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            return Failed(CounterChange::Failure::Unwritable,
                          "the lock file " + lockPath + " is not a regular file");
        }
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0)
                return CounterChange();
            if (errno != EWOULDBLOCK && errno != EINTR) {
                return Failed(CounterChange::Failure::Unwritable,
                              "cannot lock " + lockPath + ": " + std::strerror(errno));
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return Failed(CounterChange::Failure::Locked,
                              "another program has held " + lockPath + " for more than " +
                                  std::to_string(timeoutMs) + " ms");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

  private:
    int fd_ = -1;
};

// Temporary files left by a writer that was killed: under the lock nobody else is writing.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
    const std::string prefix = target.filename().string() + kTempInfix;
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(prefix, 0) == 0)
            ::unlink((folder + "/" + name).c_str());
    }
    ::closedir(dir);
}

}  // namespace

// The file itself when the store's path is a symbolic link: a link shared by several users or
// stations must keep pointing at the one counter, and its lock must sit beside that counter.
std::string ResolvedPath(const std::string& path) {
    std::error_code ec;
    const auto real = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : real.string();
}

std::string RegFileCounterStore::LockPath() const {
    return ResolvedPath(path_) + ".lock";
}

StoredValue RegFileCounterStore::Read() {
    return ValueOf(ReadStoreFile(path_));
}

CounterChange RegFileCounterStore::Change(
    const std::function<std::optional<std::string>(const StoredValue&)>& choose) {
    namespace fs = std::filesystem;
    const std::string real = ResolvedPath(path_);
    const fs::path target(real);
    if (std::string reason;
        target.has_parent_path() && !MakePrivateFolders(target.parent_path().string(), reason)) {
        return Failed(CounterChange::Failure::Unwritable, reason);
    }
    FileLock lock;
    if (CounterChange taken = lock.Take(real + ".lock", lockTimeoutMs_); !taken)
        return taken;

    const FileLines file = ReadStoreFile(real);
    const StoredValue current = ValueOf(file);
    if (current.kind == StoredValue::Kind::Unreadable)
        return Failed(CounterChange::Failure::Unreadable, current.reason);
    const std::optional<std::string> text = choose(current);
    if (!text)
        return CounterChange();

    RemoveStaleTemporaries(target);
    std::string temp = real + kTempInfix + "XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return Failed(CounterChange::Failure::Unwritable, std::strerror(errno));
    const std::string content = ContentWith(file.lines, *text);
    // The store keeps the mode it had (a store made read-only stays so); a new one is the
    // user's alone.
    struct stat before {};
    const mode_t mode =
        file.exists && ::stat(real.c_str(), &before) == 0 ? (before.st_mode & 07777) : 0600;
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
    const int writeError = errno;
    ::close(fd);
    if (!written) {
        ::unlink(temp.c_str());
        return Failed(CounterChange::Failure::Unwritable, std::strerror(writeError));
    }
    // The folder is opened before anything changes: a folder that cannot be flushed fails the
    // change while the old value is still in place.
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        const int openError = errno;
        ::unlink(temp.c_str());
        return Failed(CounterChange::Failure::Unwritable,
                      "cannot open " + folder + " to flush it: " + std::strerror(openError));
    }
    if (beforeReplace_)
        beforeReplace_();
    if (::rename(temp.c_str(), real.c_str()) != 0) {
        const int renameError = errno;
        ::close(dirFd);
        ::unlink(temp.c_str());
        return Failed(CounterChange::Failure::Unwritable, std::strerror(renameError));
    }
    // The rename itself reaches the disk with the folder. Should that fail, the new value is in
    // place but may not outlive a power cut: the change is not done, and a number taken with it
    // stays a gap.
    const bool synced = ::fsync(dirFd) == 0 || errno == EINVAL;
    const int syncError = errno;
    ::close(dirFd);
    if (!synced) {
        return Failed(CounterChange::Failure::Unwritable,
                      "cannot flush " + folder + ": " + std::strerror(syncError));
    }
    return CounterChange();
}

std::optional<std::string> DefaultCounterFilePath(std::string& whyNot) {
    return XdgPath("XDG_CONFIG_HOME", ".config", "kelvor/PrinterTest.reg", whyNot);
}

std::unique_ptr<ICounterStore> CreateFileCounterStore(std::string path) {
    return std::make_unique<RegFileCounterStore>(std::move(path));
}

std::unique_ptr<ICounterStore> CreateSystemCounterStore() {
    std::string whyNot;
    if (auto path = DefaultCounterFilePath(whyNot))
        return CreateFileCounterStore(*path);
    return std::make_unique<UnavailableCounterStore>("kelvor/PrinterTest.reg", whyNot);
}

}  // namespace bpconf::platform
