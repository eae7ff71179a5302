#include "TcpJobServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace bpconf::test {

namespace {

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

TcpJobServer::TcpJobServer(std::function<void(const std::string&)> onJob)
    : onJob_(std::move(onJob)) {}

TcpJobServer::~TcpJobServer() {
    Stop();
}

bool TcpJobServer::Start(int port, PrinterFaults faults) {
    faults_ = faults;
    received_ = 0;
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0)
        return false;
    const int yes = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    socklen_t len = sizeof addr;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 16) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        ::pipe2(wakeFds_, O_CLOEXEC) != 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    port_ = ntohs(addr.sin_port);
    lastActivityMs_ = NowMs();
    if (faults_.refuse) {
        ::close(listenFd_);
        ::close(wakeFds_[0]);
        ::close(wakeFds_[1]);
        listenFd_ = wakeFds_[0] = wakeFds_[1] = -1;
        return true;
    }
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void TcpJobServer::Stop() {
    if (!thread_.joinable())
        return;
    const char wake = 'x';
    (void)!::write(wakeFds_[1], &wake, 1);
    thread_.join();
    if (listenFd_ >= 0)
        ::close(listenFd_);
    ::close(wakeFds_[0]);
    ::close(wakeFds_[1]);
    listenFd_ = wakeFds_[0] = wakeFds_[1] = -1;
}

void TcpJobServer::Serve() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        const int conn = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn < 0)
            continue;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            busy_ = true;
            lastActivityMs_ = NowMs();
        }
        std::string job;
        const bool stopping = !Receive(conn, job);
        ::close(conn);
        if (stopping)
            return;
        if (onJob_)
            onJob_(job);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            jobs_.push_back(std::move(job));
            busy_ = false;
            lastActivityMs_ = NowMs();
        }
        arrived_.notify_all();
        // The link dropped: nothing listens any more, every later connection is refused.
        if (faults_.closeAfter > 0 && received_ >= faults_.closeAfter) {
            ::close(listenFd_);
            listenFd_ = -1;
            return;
        }
    }
}

bool TcpJobServer::Receive(int conn, std::string& job) {
    // The job is every byte until the sender closes its side (or the printer gives up).
    char buffer[65536];
    for (;;) {
        pollfd cfds[2] = {{conn, faults_.neverRead ? short(0) : short(POLLIN), 0},
                          {wakeFds_[0], POLLIN, 0}};
        if (::poll(cfds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return true;
        }
        if (cfds[1].revents != 0)
            return false;
        if (faults_.neverRead) {
            if (cfds[0].revents != 0)
                return true;  // the sender gave up
            continue;
        }
        std::size_t want = sizeof buffer;
        if (faults_.stallMsPerByte > 0)
            want = 1;
        if (faults_.closeAfter > 0)
            want = std::min(want, faults_.closeAfter - received_);
        const ssize_t n = ::recv(conn, buffer, want, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true;
        job.append(buffer, static_cast<std::size_t>(n));
        received_ += static_cast<std::size_t>(n);
        if (faults_.closeAfter > 0 && received_ >= faults_.closeAfter)
            return true;
        if (faults_.stallMsPerByte > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(faults_.stallMsPerByte));
    }
}

std::vector<std::string> TcpJobServer::Jobs() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return jobs_;
}

bool TcpJobServer::WaitForJobs(std::size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return jobs_.size() >= count; });
}

void TcpJobServer::WaitUntilQuiet(int quietMs, int timeoutMs) const {
    const long long deadline = NowMs() + timeoutMs;
    std::unique_lock<std::mutex> lock(mutex_);
    while (NowMs() < deadline) {
        if (!busy_ && NowMs() - lastActivityMs_ >= quietMs)
            return;
        arrived_.wait_for(lock, std::chrono::milliseconds(20));
    }
}

}  // namespace bpconf::test
