// The capture printer: one extra printer whose raw jobs are written as numbered files, so that
// a user without a printer can see exactly what would be sent.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

namespace fs = std::filesystem;

class CapturePrinterList : public IPrinterList {
  public:
    explicit CapturePrinterList(std::unique_ptr<IPrinterList> system)
        : system_(std::move(system)) {}

    std::vector<std::string> InstalledPrinters() override {
        auto names = system_->InstalledPrinters();
        names.emplace_back(kCapturePrinterName);
        return names;
    }

    std::optional<std::string> DefaultPrinter() override {
        auto name = system_->DefaultPrinter();
        return name ? name : std::optional<std::string>(kCapturePrinterName);
    }

  private:
    std::unique_ptr<IPrinterList> system_;
};

// The next free job file name: one past the highest number already in the folder.
fs::path NextJobFile(const fs::path& dir) {
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
    char buf[32];
    std::snprintf(buf, sizeof buf, "job-%04d.bin", highest + 1);
    return dir / buf;
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

    // The job file appears whole: written under a temporary name, then renamed.
    std::uint32_t EndDoc() override {
        if (!started_)
            return winerror::kGenFailure;
        std::error_code ec;
        fs::create_directories(dir_, ec);
        const fs::path target = NextJobFile(dir_);
        const fs::path temp = target.string() + ".part";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(data_.data(), static_cast<std::streamsize>(data_.size()));
            if (!out.flush())
                return winerror::kDiskFull;
        }
        fs::rename(temp, target, ec);
        return ec ? winerror::kGenFailure : winerror::kSuccess;
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

  private:
    std::unique_ptr<ISpooler> system_;
    fs::path dir_;
};

}  // namespace

std::unique_ptr<IPrinterList> CreateCapturePrinterList(std::unique_ptr<IPrinterList> system) {
    return std::make_unique<CapturePrinterList>(std::move(system));
}

std::unique_ptr<ISpooler> CreateCaptureSpooler(std::unique_ptr<ISpooler> system,
                                               std::string captureDir) {
    return std::make_unique<CaptureSpooler>(std::move(system), std::move(captureDir));
}

}  // namespace bpconf::platform
