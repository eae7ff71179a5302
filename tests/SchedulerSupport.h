// Tests through the real CUPS scheduler that scripts/test starts, with a printer emulator per
// queue inside the test process. BPCONF_TEST_CUPS_SERVER names that scheduler; CUPS_SERVER from
// the environment is never used, so running the tests on a desk cannot touch the desk's queues.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "SpoolerJobs.h"
#include "TcpJobServer.h"
#include "TestSupport.h"

namespace bpconf::test {

// Points CUPS, and every program the test starts, at the private scheduler; false without one.
inline bool UsePrivateScheduler() {
    const char* server = std::getenv("BPCONF_TEST_CUPS_SERVER");
    if (server == nullptr || *server == '\0')
        return false;
    ::setenv("CUPS_SERVER", server, 1);
    return true;
}

// Skips (or, under scripts/test, fails) when no private scheduler is running.
#define REQUIRE_SCHEDULER()                                                                 \
    do {                                                                                    \
        if (!::bpconf::test::UsePrivateScheduler()) {                                       \
            if (std::getenv("BPCONF_REQUIRE_SCHEDULER") != nullptr) {                       \
                FAIL() << "BPCONF_TEST_CUPS_SERVER is not set: start scripts/print-server"; \
            }                                                                               \
            GTEST_SKIP() << "no private CUPS scheduler (BPCONF_TEST_CUPS_SERVER unset)";    \
        }                                                                                   \
    } while (0)

// Removes a queue with its jobs. They are cancelled first, and the queue is deleted once none is
// still being stopped: the deletion purges finished jobs, but a job still being stopped outlives
// it, ends "canceled" and is then listed under the next queue of the same name (the next test's).
inline void RemoveQueue(const std::string& name) {
    std::system(("cancel -a -x '" + name + "' 2>/dev/null").c_str());
    AwaitNoActiveJobs(name);
    std::system(("lpadmin -x '" + name + "' 2>/dev/null").c_str());
}

// Removes every queue of the scheduler.
inline void RemoveAllQueues() {
    std::istringstream lines(RunCommand("LANG=C lpstat -e"));
    std::string name;
    while (std::getline(lines, name)) {
        if (!name.empty())
            RemoveQueue(name);
    }
}

// A test that owns the scheduler's queues: none before it, none after it.
class SchedulerTestBase : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_SCHEDULER();
        RemoveAllQueues();
        IgnoreEarlierJobs();
    }
    void TearDown() override {
        if (UsePrivateScheduler())
            RemoveAllQueues();
    }
};

// A raw queue printing to its own emulator; removed with the object.
class EmulatedQueue {
  public:
    explicit EmulatedQueue(std::string name, bool makeDefault = false, PrinterFaults faults = {})
        : name_(std::move(name)) {
        ok_ = server_.Start(0, faults) &&
              std::system(("lpadmin -p '" + name_ + "' -v socket://127.0.0.1:" +
                           std::to_string(server_.Port()) + " -E 2>/dev/null")
                              .c_str()) == 0;
        if (ok_ && makeDefault) {
            ok_ = std::system(("lpadmin -d '" + name_ + "'").c_str()) == 0;
        }
    }
    ~EmulatedQueue() {
        RemoveQueue(name_);
        server_.Stop();
    }
    bool ok() const { return ok_; }
    const std::string& name() const { return name_; }
    test::TcpJobServer& printer() { return server_; }

    // The printer goes away (nothing listens on its port), or comes back on the same port.
    void StopPrinter() { server_.Stop(); }
    bool RestartPrinter(PrinterFaults faults = {}) {
        const int port = server_.Port();
        server_.Stop();
        return server_.Start(port, faults);
    }

    // Waits for count jobs at the emulator (generous: a loaded CI machine is slow).
    std::vector<std::string> Jobs(std::size_t count) {
        server_.WaitForJobs(count, 60000);
        return server_.Jobs();
    }

  private:
    std::string name_;
    test::TcpJobServer server_;
    bool ok_ = false;
};

}  // namespace bpconf::test
