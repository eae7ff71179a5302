#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Files.h"

namespace bpconf::platform {

namespace {

FileReadResult Failure(std::string reason) {
    FileReadResult r;
    r.reason = std::move(reason);
    return r;
}

}  // namespace

FileReadResult ReadWholeFile(const std::string& path, std::uint64_t maxSize) {
    // Non-blocking: opening a FIFO for reading would wait for a writer forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return Failure(std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return Failure(std::strerror(err));
    }
    // A folder opens for reading on POSIX but is no file; a device or FIFO could block forever or
    // never end (/dev/zero).
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Failure(std::strerror(EISDIR));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Failure("not a regular file");
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > maxSize) {
        ::close(fd);
        return Failure("file too large");
    }
    FileReadResult r;
    try {
        r.bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        return Failure(std::strerror(ENOMEM));
    }
    std::size_t done = 0;
    while (done < r.bytes.size()) {
        const ssize_t got = ::read(fd, r.bytes.data() + done, r.bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int err = errno;
            ::close(fd);
            return Failure(std::strerror(err));
        }
        if (got == 0) {
            break;  // the file shrank while we read it: keep what it holds now
        }
        done += static_cast<std::size_t>(got);
    }
    r.bytes.resize(done);
    ::close(fd);
    r.ok = true;
    return r;
}

std::optional<std::string> PublishNewFile(const std::string& folder, const std::string& data,
                                          const std::function<std::string(int)>& nameFor, int first,
                                          std::string& reason) {
    std::string temp = folder + "/.partial-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return std::nullopt;
    }
    std::size_t done = 0;
    bool ok = ::fchmod(fd, 0644) == 0;
    while (ok && done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    const int writeError = errno;
    ::close(fd);
    if (!ok) {
        ::unlink(temp.c_str());
        reason = std::strerror(writeError);
        return std::nullopt;
    }
    // link() fails when the name is taken: the next number is tried, nothing is replaced.
    for (int n = first;; ++n) {
        const std::string target = folder + "/" + nameFor(n);
        if (::link(temp.c_str(), target.c_str()) == 0) {
            ::unlink(temp.c_str());
            return target;
        }
        if (errno != EEXIST) {
            reason = std::strerror(errno);
            ::unlink(temp.c_str());
            return std::nullopt;
        }
    }
}

bool MakePrivateFolders(const std::string& folder, std::string& reason) {
    // The folders to make, innermost last.
    std::vector<std::filesystem::path> missing;
    std::filesystem::path at(folder);
    struct stat st {};
    while (!at.empty() && ::stat(at.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            reason = "cannot create " + folder + ": " + std::strerror(errno);
            return false;
        }
        missing.push_back(at);
        if (!at.has_parent_path() || at.parent_path() == at)
            break;
        at = at.parent_path();
    }
    if (missing.empty() && !S_ISDIR(st.st_mode)) {
        reason = "cannot create " + folder + ": " + std::strerror(ENOTDIR);
        return false;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        // The mode is set again after mkdir: the umask may have taken bits away, never added.
        if (::mkdir(it->c_str(), 0700) == 0) {
            ::chmod(it->c_str(), 0700);
        } else if (errno != EEXIST) {
            reason = "cannot create " + it->string() + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool CreatePrivateFile(const std::string& path, std::string& reason) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        reason = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = ::fchmod(fd, 0600) == 0;
    const int error = errno;
    ::close(fd);
    if (!ok) {
        ::unlink(path.c_str());
        reason = "cannot create " + path + ": " + std::strerror(error);
    }
    return ok;
}

bool RenameNoReplace(const std::string& from, const std::string& to, bool& exists,
                     std::string& reason) {
    exists = false;
    // link() never replaces a name: it fails with EEXIST, symbolic links included.
    if (::link(from.c_str(), to.c_str()) != 0) {
        exists = errno == EEXIST;
        if (!exists)
            reason = "cannot create " + to + ": " + std::strerror(errno);
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

std::optional<std::uint64_t> FileSize(const std::string& path, std::string& reason) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            reason = std::strerror(errno);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}

}  // namespace bpconf::platform
