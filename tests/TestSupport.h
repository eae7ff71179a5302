// Helpers shared by the test suites.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/AsciiText.h"
#include "platform/CounterStore.h"

namespace bpconf::test {

// "1B 23 23" -> the three bytes.
inline std::string Bytes(const std::string& hex) {
    std::string out;
    unsigned value = 0;
    int digits = 0;
    for (char c : hex) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        if (d < 0)
            continue;
        value = value * 16 + static_cast<unsigned>(d);
        if (++digits == 2) {
            out += static_cast<char>(value);
            value = 0;
            digits = 0;
        }
    }
    return out;
}

// The bytes as upper-case hex pairs separated by blanks, for readable failure messages.
inline std::string Hex(const std::string& bytes) {
    return text::HexBytes(bytes);
}

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Holds a counter store's lock from another thread (a change that waits) until destroyed, as
// another program stamping at that moment would.
class HeldCounterLock {
  public:
    explicit HeldCounterLock(platform::ICounterStore& store) {
        holder_ = std::thread([this, &store] {
            store.Change([this](const platform::StoredValue&) {
                std::unique_lock<std::mutex> lock(mutex_);
                held_ = true;
                changed_.notify_all();
                changed_.wait(lock, [this] { return released_; });
                return std::optional<std::string>();
            });
        });
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return held_; });
    }
    ~HeldCounterLock() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
        holder_.join();
    }

  private:
    std::thread holder_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false, released_ = false;
};

// Output of a shell command (standard output only), or "" when it failed to run.
inline std::string RunCommand(const std::string& command) {
    const std::string out = (std::filesystem::temp_directory_path() /
                             ("bpconf-cmd-" + std::to_string(std::random_device{}())))
                                .string();
    const int rc = std::system((command + " >'" + out + "' 2>/dev/null").c_str());
    const std::string text = Slurp(out);
    std::remove(out.c_str());
    return rc == 0 ? text : std::string();
}

// Runs its action when the scope ends, whatever way it ends: a server a test started is stopped
// even when an assertion ends the test early.
class AtScopeEnd {
  public:
    explicit AtScopeEnd(std::function<void()> action) : action_(std::move(action)) {}
    ~AtScopeEnd() { action_(); }
    AtScopeEnd(const AtScopeEnd&) = delete;
    AtScopeEnd& operator=(const AtScopeEnd&) = delete;

  private:
    std::function<void()> action_;
};

}  // namespace bpconf::test
