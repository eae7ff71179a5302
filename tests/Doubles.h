// Test doubles of the platform services, for unit tests only.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/Ports.h"
#include "platform/Printers.h"

namespace bpconf::test {

// Printers installed by the test; a listing error stands for a spooler that cannot be reached.
class FixedPrinters : public platform::IPrinterList {
  public:
    std::vector<std::string> names;
    std::optional<std::string> defaultName;
    std::uint32_t error = 0;
    platform::PrinterListing List() override { return {names, defaultName, error}; }
};

// Every box shown, as "CAPTION: TEXT" lines.
class RecordingBoxes : public platform::IMessageBoxes {
  public:
    void Warning(const std::string& text) override { Show("警告: " + text); }
    void Error(const std::string& text) override { Show("错误: " + text); }
    void Plain(const std::string& text) override {
        Show(std::string(platform::kApplicationTitle) + ": " + text);
    }
    void Uncaught(const std::string& text) override {
        Show(std::string(platform::kApplicationTitle) + "! " + text + ".");
    }
    bool Ask(const std::string& text) override {
        Show(std::string(platform::kApplicationTitle) + "? " + text);
        return answer;
    }
    bool answer = false;  // the operator's answer to a question
    std::vector<std::string> shown;
    // Runs while a box is up, as the operator's actions during a modal box would.
    std::function<void()> whileShown;

  private:
    void Show(const std::string& line) {
        shown.push_back(line);
        if (whileShown)
            whileShown();
    }
};

// A spooler whose stages are logged and whose failures are chosen by the test.
class ScriptedSpooler : public platform::ISpooler {
  public:
    std::vector<std::string> log;
    std::map<std::string, std::uint32_t> failAt;  // stage name -> error number
    std::uint32_t openError = 0;
    int jobId = 0;  // the number a job gets once its EndDoc succeeded

    std::unique_ptr<platform::IRawJob> Open(const std::string& name, std::uint32_t& error) override;
    void Cancel(const std::string& name, int id) override {
        log.push_back("Cancel " + name + " " + std::to_string(id));
    }
};

class ScriptedJob : public platform::IRawJob {
  public:
    explicit ScriptedJob(ScriptedSpooler& s) : s_(s) {}
    std::uint32_t StartDoc(const std::string& doc, const std::string& type) override {
        return Stage("StartDoc " + doc + " " + type, "StartDoc");
    }
    std::uint32_t StartPage() override { return Stage("StartPage", "StartPage"); }
    std::uint32_t Write(const std::uint8_t* data, std::size_t n) override {
        return Stage("Write " + std::string(reinterpret_cast<const char*>(data), n), "Write");
    }
    std::uint32_t EndPage() override { return Stage("EndPage", "EndPage"); }
    // Like the system's spoolers, a job whose earlier stage failed is withdrawn, not numbered.
    std::uint32_t EndDoc() override {
        const std::uint32_t error = Stage("EndDoc", "EndDoc");
        ended_ = error == 0 && !failed_;
        return error;
    }
    std::uint32_t Close() override { return Stage("Close", "Close"); }
    int JobId() const override { return ended_ ? s_.jobId : 0; }

  private:
    std::uint32_t Stage(const std::string& entry, const std::string& name) {
        s_.log.push_back(entry);
        auto it = s_.failAt.find(name);
        failed_ = failed_ || it != s_.failAt.end();
        return it == s_.failAt.end() ? 0 : it->second;
    }
    ScriptedSpooler& s_;
    bool failed_ = false, ended_ = false;
};

inline std::unique_ptr<platform::IRawJob> ScriptedSpooler::Open(const std::string& name,
                                                                std::uint32_t& error) {
    log.push_back("Open " + name);
    error = openError;
    if (openError != 0)
        return nullptr;
    return std::make_unique<ScriptedJob>(*this);
}

// Ports that exist by name; each write is logged; a write may fail after a given count.
class ScriptedPorts : public platform::IPortDevices {
  public:
    std::map<std::string, std::string> written;  // port -> bytes
    std::vector<std::string> opened;
    std::vector<std::string> existing = {"LPT1"};
    int failAfter = -1;

    std::unique_ptr<platform::IPort> Open(const std::string& name) override;
};

class ScriptedPort : public platform::IPort {
  public:
    ScriptedPort(ScriptedPorts& p, std::string name) : p_(p), name_(std::move(name)) {}
    std::uint32_t WriteByte(std::uint8_t v) override {
        if (p_.failAfter >= 0 && static_cast<int>(p_.written[name_].size()) >= p_.failAfter) {
            return 1117;
        }
        p_.written[name_] += static_cast<char>(v);
        return 0;
    }

  private:
    ScriptedPorts& p_;
    std::string name_;
};

inline std::unique_ptr<platform::IPort> ScriptedPorts::Open(const std::string& name) {
    opened.push_back(name);
    for (const auto& e : existing) {
        if (e == name) {
            written[name];
            return std::make_unique<ScriptedPort>(*this, name);
        }
    }
    return nullptr;
}

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
  public:
    ScopedEnv(const std::string& name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name.c_str()))
            saved_ = old;
        had_ = std::getenv(name.c_str()) != nullptr;
        Set(value);
    }
    ~ScopedEnv() { Set(had_ ? saved_.c_str() : nullptr); }

  private:
    void Set(const char* value) {
#ifdef _WIN32
        _putenv_s(name_.c_str(), value ? value : "");
#else
        if (value) {
            ::setenv(name_.c_str(), value, 1);
        } else {
            ::unsetenv(name_.c_str());
        }
#endif
    }
    std::string name_, saved_;
    bool had_ = false;
};

// A fresh folder below the system's temporary folder, removed with the object.
class TempDir {
  public:
    explicit TempDir(const std::string& tag) {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("bpconf-" + tag + "-" + std::to_string(std::random_device{}()) + "-" +
                 std::to_string(++counter));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace bpconf::test
