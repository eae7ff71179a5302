// A network printer as a socket printer (AppSocket, port 9100) works: it listens on 127.0.0.1,
// and every connection is one job whose bytes are recorded in order. It is the printer
// emulator behind the tests' CUPS queues, and it can fail the ways a real Bluetooth printer does.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bpconf::test {

// The ways the emulated printer fails; all off is a healthy printer.
struct PrinterFaults {
    bool refuse = false;         // connections are refused: nothing listens on the port
    bool neverRead = false;      // connections are accepted and never read
    std::size_t closeAfter = 0;  // each connection is closed after this many bytes (0: never)
    int stallMsPerByte = 0;      // each byte is read alone, this long after the one before
};

class TcpJobServer {
  public:
    // onJob, when given, is called with each job's bytes on the server's thread.
    explicit TcpJobServer(std::function<void(const std::string&)> onJob = {});
    ~TcpJobServer();
    TcpJobServer(const TcpJobServer&) = delete;
    TcpJobServer& operator=(const TcpJobServer&) = delete;

    // Listens on 127.0.0.1 at the port (0: any free port); false when it cannot. A printer that
    // refuses connections keeps its port number but nothing listens on it.
    bool Start(int port = 0, PrinterFaults faults = {});
    void Stop();
    int Port() const { return port_; }

    std::vector<std::string> Jobs() const;
    // Waits until at least count jobs have arrived or the time is up; true when they have.
    bool WaitForJobs(std::size_t count, int timeoutMs) const;
    // Waits until no job has been in progress or arrived for quietMs (or the time is up).
    void WaitUntilQuiet(int quietMs, int timeoutMs) const;

  private:
    void Serve();

    // Reads one connection's bytes the way the faults say; false when the server is stopping.
    bool Receive(int conn, std::string& job);

    std::function<void(const std::string&)> onJob_;
    PrinterFaults faults_;
    std::size_t received_ = 0;
    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<std::string> jobs_;
    bool busy_ = false;
    long long lastActivityMs_ = 0;
};

}  // namespace bpconf::test
