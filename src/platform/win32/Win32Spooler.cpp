// Printers and raw jobs through the Windows spooler.
// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <winspool.h>

#include <algorithm>
#include <cstring>

#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

std::uint32_t LastErrorOr(std::uint32_t fallback) {
    const DWORD e = ::GetLastError();
    return e != 0 ? static_cast<std::uint32_t>(e) : fallback;
}

class Win32PrinterList : public IPrinterList {
  public:
    std::vector<std::string> InstalledPrinters() override {
        DWORD needed = 0, count = 0;
        const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
        ::EnumPrintersA(flags, nullptr, 4, nullptr, 0, &needed, &count);
        std::vector<BYTE> buffer(needed);
        std::vector<std::string> names;
        if (needed == 0 ||
            !::EnumPrintersA(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) {
            return names;
        }
        const auto* info = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
        for (DWORD i = 0; i < count; ++i)
            names.emplace_back(info[i].pPrinterName);
        return names;
    }

    std::optional<std::string> DefaultPrinter() override {
        DWORD size = 0;
        ::GetDefaultPrinterA(nullptr, &size);
        if (size == 0)
            return std::nullopt;
        std::string name(size, '\0');
        if (!::GetDefaultPrinterA(name.data(), &size))
            return std::nullopt;
        name.resize(std::strlen(name.c_str()));
        return name;
    }
};

// The stages of one job on an opened printer handle.
class Win32RawJob : public IRawJob {
  public:
    explicit Win32RawJob(HANDLE printer) : printer_(printer) {}
    ~Win32RawJob() override { Close(); }

    std::uint32_t StartDoc(const std::string& documentName, const std::string& dataType) override {
        document_ = documentName;
        dataType_ = dataType;
        DOC_INFO_1A info{};
        info.pDocName = document_.data();
        info.pOutputFile = nullptr;
        info.pDatatype = dataType_.data();
        return ::StartDocPrinterA(printer_, 1, reinterpret_cast<LPBYTE>(&info)) != 0
                   ? winerror::kSuccess
                   : LastErrorOr(winerror::kGenFailure);
    }
    std::uint32_t StartPage() override {
        return ::StartPagePrinter(printer_) ? winerror::kSuccess
                                            : LastErrorOr(winerror::kGenFailure);
    }
    std::uint32_t Write(const std::uint8_t* data, std::size_t length) override {
        DWORD written = 0;
        const BOOL ok = ::WritePrinter(printer_, const_cast<std::uint8_t*>(data),
                                       static_cast<DWORD>(length), &written);
        if (!ok)
            return LastErrorOr(winerror::kGenFailure);
        // A short write lost part of the message: that is a failure too.
        return written == length ? winerror::kSuccess : winerror::kGenFailure;
    }
    std::uint32_t EndPage() override {
        return ::EndPagePrinter(printer_) ? winerror::kSuccess : LastErrorOr(winerror::kGenFailure);
    }
    std::uint32_t EndDoc() override {
        return ::EndDocPrinter(printer_) ? winerror::kSuccess : LastErrorOr(winerror::kGenFailure);
    }
    std::uint32_t Close() override {
        if (printer_ == nullptr)
            return winerror::kSuccess;
        const BOOL ok = ::ClosePrinter(printer_);
        printer_ = nullptr;
        return ok ? winerror::kSuccess : LastErrorOr(winerror::kGenFailure);
    }

  private:
    HANDLE printer_;
    std::string document_, dataType_;
};

class Win32Spooler : public ISpooler {
  public:
    std::unique_ptr<IRawJob> Open(const std::string& printerName, std::uint32_t& error) override {
        HANDLE handle = nullptr;
        if (!::OpenPrinterA(const_cast<char*>(printerName.c_str()), &handle, nullptr)) {
            error = LastErrorOr(winerror::kInvalidPrinterName);
            return nullptr;
        }
        error = winerror::kSuccess;
        return std::make_unique<Win32RawJob>(handle);
    }
};

}  // namespace

std::unique_ptr<IPrinterList> CreateSystemPrinterList() {
    return std::make_unique<Win32PrinterList>();
}

std::unique_ptr<ISpooler> CreateSystemSpooler() {
    return std::make_unique<Win32Spooler>();
}

}  // namespace bpconf::platform
