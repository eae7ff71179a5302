// The capture printer's spooler: its raw jobs are written as numbered files, so that a user
// without a printer can see exactly what would be sent.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/Backends.h"
#include "platform/Files.h"

namespace bpconf::platform {

namespace {

namespace fs = std::filesystem;

// One past the highest job number already in the folder.
int NextJobNumber(const fs::path& dir) {
    int highest = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        int n = 0;
        char tail = 0;
        if (std::sscanf(name.c_str(), "job-%d.bi%c", &n, &tail) == 2 && tail == 'n' &&
            n > highest) {
            highest = n;
        }
    }
    return highest + 1;
}

std::string JobFileName(int number) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "job-%04d.bin", number);
    return buf;
}

class CaptureJob : public IRawJob {
  public:
    explicit CaptureJob(fs::path dir) : dir_(std::move(dir)) {}

    std::uint32_t StartDoc(const std::string&, const std::string& dataType) override {
        if (dataType != "RAW")
            return winerror::kInvalidDatatype;
        started_ = true;
        return winerror::kSuccess;
    }
    std::uint32_t StartPage() override { return winerror::kSuccess; }
    std::uint32_t Write(const std::uint8_t* data, std::size_t length) override {
        data_.append(reinterpret_cast<const char*>(data), length);
        return winerror::kSuccess;
    }
    std::uint32_t EndPage() override { return winerror::kSuccess; }

    // The job file appears whole under the next free number; writers in other threads or
    // processes that publish into the same folder at the same time each get a number of their
    // own, and none replaces another's job.
    std::uint32_t EndDoc() override {
        if (!started_)
            return winerror::kGenFailure;
        std::error_code ec;
        fs::create_directories(dir_, ec);
        std::string reason;
        const auto published =
            PublishNewFile(dir_.string(), data_, JobFileName, NextJobNumber(dir_), reason);
        return published ? winerror::kSuccess : winerror::kDiskFull;
    }
    std::uint32_t Close() override { return winerror::kSuccess; }

  private:
    fs::path dir_;
    std::string data_;
    bool started_ = false;
};

class CaptureSpooler : public ISpooler {
  public:
    CaptureSpooler(std::unique_ptr<ISpooler> system, std::string dir)
        : system_(std::move(system)), dir_(std::move(dir)) {}

    std::unique_ptr<IRawJob> Open(const std::string& printerName, std::uint32_t& error) override {
        if (printerName == kCapturePrinterName) {
            error = winerror::kSuccess;
            return std::make_unique<CaptureJob>(dir_);
        }
        return system_->Open(printerName, error);
    }
    QueueState Queue(const std::string& printerName) override {
        return printerName == kCapturePrinterName ? QueueState() : system_->Queue(printerName);
    }
    JobState Job(const std::string& printerName, int jobId) override {
        return printerName == kCapturePrinterName ? JobState() : system_->Job(printerName, jobId);
    }
    void Cancel(const std::string& printerName, int jobId) override {
        if (printerName != kCapturePrinterName)
            system_->Cancel(printerName, jobId);
    }

  private:
    std::unique_ptr<ISpooler> system_;
    fs::path dir_;
};

}  // namespace

std::unique_ptr<ISpooler> CreateCaptureSpooler(std::unique_ptr<ISpooler> system,
                                               std::string captureDir) {
    return std::make_unique<CaptureSpooler>(std::move(system), std::move(captureDir));
}

}  // namespace bpconf::platform
