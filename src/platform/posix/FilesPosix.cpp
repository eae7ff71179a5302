#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

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

}  // namespace bpconf::platform
