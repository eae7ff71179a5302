#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return Failure(std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return Failure(std::strerror(err));
    }
    // A folder opens for reading on POSIX but is no file; a device or FIFO could block forever.
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

}  // namespace bpconf::platform
