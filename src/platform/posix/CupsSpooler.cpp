// Printers and raw jobs through CUPS. CUPS_SERVER (environment) names the scheduler.
#include <cups/cups.h>

#include <algorithm>
#include <cctype>

#include "platform/Backends.h"

namespace bpconf::platform {

namespace {

// Windows error numbers for CUPS failures, so the operator reads the same "error N" on both
// systems:
//   printer not found (IPP 0x0406)                  -> 1801 ERROR_INVALID_PRINTER_NAME
//   scheduler unreachable (0x0503)                  -> 1722 RPC_S_SERVER_UNAVAILABLE
//   not authorized / forbidden / not authenticated  -> 5    ERROR_ACCESS_DENIED
//   printer not accepting jobs (0x0506)             -> 1906 ERROR_INVALID_PRINTER_STATE
//   document format not supported (0x040A)          -> 1804 ERROR_INVALID_DATATYPE
//   request too large (0x0409)                      -> 8    ERROR_NOT_ENOUGH_MEMORY
//   client timeout (0x0407)                         -> 1460 ERROR_TIMEOUT
//   any HTTP failure while writing the document      -> 59   ERROR_UNEXP_NET_ERR
//   anything else                                    -> 31   ERROR_GEN_FAILURE
std::uint32_t WindowsErrorFor(ipp_status_t status) {
    switch (status) {
        case IPP_STATUS_OK:
        case IPP_STATUS_OK_IGNORED_OR_SUBSTITUTED:
        case IPP_STATUS_OK_CONFLICTING:
            return winerror::kSuccess;
        case IPP_STATUS_ERROR_NOT_FOUND:
            return winerror::kInvalidPrinterName;
        case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
            return winerror::kServerUnavailable;
        case IPP_STATUS_ERROR_FORBIDDEN:
        case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
        case IPP_STATUS_ERROR_NOT_AUTHORIZED:
        case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
            return winerror::kAccessDenied;
        case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
            return winerror::kInvalidPrinterState;
        case IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED:
            return winerror::kInvalidDatatype;
        case IPP_STATUS_ERROR_REQUEST_ENTITY:
            return winerror::kNotEnoughMemory;
        case IPP_STATUS_ERROR_TIMEOUT:
            return winerror::kTimeout;
        default:
            return winerror::kGenFailure;
    }
}

std::uint32_t LastError() {
    const std::uint32_t e = WindowsErrorFor(cupsLastError());
    return e == winerror::kSuccess ? winerror::kGenFailure : e;
}

class CupsPrinterList : public IPrinterList {
  public:
    std::vector<std::string> InstalledPrinters() override {
        cups_dest_t* dests = nullptr;
        const int n = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
        std::vector<std::string> names;
        for (int i = 0; i < n; ++i) {
            if (dests[i].instance == nullptr)
                names.emplace_back(dests[i].name);
        }
        cupsFreeDests(n, dests);
        return names;
    }

    std::optional<std::string> DefaultPrinter() override {
        cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
        if (dest == nullptr)
            return std::nullopt;
        std::string name = dest->name;
        cupsFreeDests(1, dest);
        return name;
    }
};

// One job: created at StartDoc, its single raw document sent whole at Write and closed at
// EndDoc. CUPS refuses an empty document, so a message without bytes is a job without a
// document, closed at EndDoc (the scheduler keeps it, named "Printer Test", with nothing to
// print). A job that was created but not finished is cancelled at Close, so a failed send never
// leaves a held job behind in the queue.
class CupsRawJob : public IRawJob {
  public:
    explicit CupsRawJob(std::string printer) : printer_(std::move(printer)) {}
    ~CupsRawJob() override { Close(); }

    std::uint32_t StartDoc(const std::string& documentName, const std::string& dataType) override {
        std::string upper = dataType;
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (upper != "RAW")
            return winerror::kInvalidDatatype;
        title_ = documentName;
        jobId_ = cupsCreateJob(CUPS_HTTP_DEFAULT, printer_.c_str(), title_.c_str(), 0, nullptr);
        return jobId_ > 0 ? winerror::kSuccess : LastError();
    }

    std::uint32_t StartPage() override {
        return jobId_ > 0 ? winerror::kSuccess : winerror::kGenFailure;
    }

    std::uint32_t Write(const std::uint8_t* data, std::size_t length) override {
        if (jobId_ <= 0)
            return winerror::kGenFailure;
        if (length == 0)
            return winerror::kSuccess;
        if (cupsStartDocument(CUPS_HTTP_DEFAULT, printer_.c_str(), jobId_, title_.c_str(),
                              CUPS_FORMAT_RAW, 1) != HTTP_STATUS_CONTINUE) {
            return LastError();
        }
        documentOpen_ = true;
        if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, reinterpret_cast<const char*>(data), length) !=
            HTTP_STATUS_CONTINUE) {
            writeFailed_ = true;
            return winerror::kUnexpectedNetError;
        }
        return winerror::kSuccess;
    }

    std::uint32_t EndPage() override { return winerror::kSuccess; }

    std::uint32_t EndDoc() override {
        if (jobId_ <= 0)
            return winerror::kGenFailure;
        if (!documentOpen_)
            return CloseJobWithoutDocument();
        documentOpen_ = false;
        const ipp_status_t s = cupsFinishDocument(CUPS_HTTP_DEFAULT, printer_.c_str());
        if (s > IPP_STATUS_OK_CONFLICTING || writeFailed_)
            return LastError();
        finished_ = true;
        return winerror::kSuccess;
    }

    std::uint32_t Close() override {
        if (jobId_ > 0 && !finished_) {
            if (documentOpen_)
                cupsFinishDocument(CUPS_HTTP_DEFAULT, printer_.c_str());
            cupsCancelJob2(CUPS_HTTP_DEFAULT, printer_.c_str(), jobId_, 0);
            documentOpen_ = false;
        }
        jobId_ = 0;
        return winerror::kSuccess;
    }

  private:
    // Close-Job: the job holds every document it will get (here: none).
    std::uint32_t CloseJobWithoutDocument() {
        char uri[HTTP_MAX_URI];
        httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                         "/printers/%s", printer_.c_str());
        ipp_t* request = ippNewRequest(IPP_OP_CLOSE_JOB);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId_);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                     cupsUser());
        ippDelete(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/jobs/"));
        if (cupsLastError() > IPP_STATUS_OK_CONFLICTING)
            return LastError();
        finished_ = true;
        return winerror::kSuccess;
    }

    std::string printer_;
    std::string title_;
    int jobId_ = 0;
    bool documentOpen_ = false;
    bool writeFailed_ = false;
    bool finished_ = false;
};

class CupsSpooler : public ISpooler {
  public:
    std::unique_ptr<IRawJob> Open(const std::string& printerName, std::uint32_t& error) override {
        cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, printerName.c_str(), nullptr);
        if (dest == nullptr || printerName.empty()) {
            if (dest != nullptr)
                cupsFreeDests(1, dest);
            // No such printer, unless the scheduler itself could not be reached.
            error = cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE
                        ? winerror::kServerUnavailable
                        : winerror::kInvalidPrinterName;
            return nullptr;
        }
        cupsFreeDests(1, dest);
        error = winerror::kSuccess;
        return std::make_unique<CupsRawJob>(printerName);
    }
};

}  // namespace

std::unique_ptr<IPrinterList> CreateSystemPrinterList() {
    return std::make_unique<CupsPrinterList>();
}

std::unique_ptr<ISpooler> CreateSystemSpooler() {
    return std::make_unique<CupsSpooler>();
}

}  // namespace bpconf::platform
