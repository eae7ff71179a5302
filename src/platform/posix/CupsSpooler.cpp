// Raw jobs and their states, and the queues' states, through CUPS. CUPS_SERVER (environment)
// names the scheduler.
#include <cups/cups.h>

#include <algorithm>
#include <cctype>
#include <iterator>

#include "platform/Backends.h"
#include "platform/posix/PosixErrors.h"

namespace bpconf::platform {

namespace {

std::uint32_t LastError() {
    const std::uint32_t e = ErrorForIppStatus(cupsLastError());
    return e == winerror::kSuccess ? winerror::kGenFailure : e;
}

std::string PrinterUri(const std::string& printer) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                     "/printers/%s", printer.c_str());
    return uri;
}

// The text of one attribute of a response ("" when it has none).
std::string AttributeText(ipp_t* response, const char* name) {
    ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_ZERO);
    if (a == nullptr)
        return std::string();
    char text[1024];
    ippAttributeString(a, text, sizeof text);
    return text;
}

// Jobs of the queue not yet completed (pending, held, processing, stopped).
int WaitingJobs(const std::string& printer) {
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(n, jobs);
    return n > 0 ? n : 0;
}

// The queue's state, or its failure: 1801 for a printer the scheduler does not know, 1722 when
// the scheduler cannot be reached. Before a run (withWaitingJobs) jobs still waiting in the queue
// make it unready too: they would go out to the unit about to be configured.
QueueState QueueOf(const std::string& printer, bool withWaitingJobs) {
    QueueState q;
    static const char* const kWanted[] = {"printer-state", "printer-is-accepting-jobs",
                                          "printer-state-message"};
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 PrinterUri(printer).c_str());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kWanted)), nullptr, kWanted);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (response == nullptr || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        q.error = LastError();
        q.reason = q.error == winerror::kServerUnavailable ? "" : cupsLastErrorString();
        ippDelete(response);
        return q;
    }
    const std::string message = AttributeText(response, "printer-state-message");
    ipp_attribute_t* state = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
    ipp_attribute_t* accepting =
        ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    if (state != nullptr && ippGetInteger(state, 0) == IPP_PSTATE_STOPPED) {
        q.error = winerror::kInvalidPrinterState;
        q.reason = "the queue is stopped" + (message.empty() ? "" : ": " + message);
    } else if (accepting != nullptr && !ippGetBoolean(accepting, 0)) {
        q.error = winerror::kInvalidPrinterState;
        q.reason = "the queue does not accept jobs" + (message.empty() ? "" : ": " + message);
    }
    ippDelete(response);
    if (q.Ready() && withWaitingJobs) {
        if (const int waiting = WaitingJobs(printer); waiting > 0) {
            q.error = winerror::kInvalidPrinterState;
            q.reason = std::to_string(waiting) +
                       " job(s) still waiting in the queue would go out to this unit; cancel them";
        }
    }
    return q;
}

JobState Lost(JobState::Kind kind, std::uint32_t error, std::string reason) {
    JobState s;
    s.kind = kind;
    s.error = error;
    s.reason = std::move(reason);
    return s;
}

// A job's state from Get-Job-Attributes, with the queue's state where it decides: a waiting job
// on a stopped queue would go out later, unpaced, to whatever unit is connected then.
JobState JobOf(const std::string& printer, int jobId) {
    static const char* const kWanted[] = {"job-state", "job-state-reasons",
                                          "job-printer-state-message"};
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 PrinterUri(printer).c_str());
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kWanted)), nullptr, kWanted);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    const ipp_status_t status = cupsLastError();
    if (response == nullptr || status > IPP_STATUS_OK_CONFLICTING) {
        const std::string reason = cupsLastErrorString();
        ippDelete(response);
        if (status == IPP_STATUS_ERROR_NOT_FOUND) {
            const QueueState queue = QueueOf(printer, false);
            return Lost(JobState::Kind::Gone,
                        queue.error == winerror::kInvalidPrinterName ? queue.error
                                                                     : winerror::kPrintCancelled,
                        queue.error == winerror::kInvalidPrinterName ? queue.reason : reason);
        }
        // The spooler could not be asked: the job may still be waiting there and go out when
        // it answers again, so it counts as held (and is cancelled where that is possible).
        const std::uint32_t error = LastError();
        return Lost(JobState::Kind::Stopped, error,
                    error == winerror::kServerUnavailable ? std::string() : reason);
    }
    ipp_attribute_t* stateAttr = ippFindAttribute(response, "job-state", IPP_TAG_ENUM);
    const int state = stateAttr != nullptr ? ippGetInteger(stateAttr, 0) : IPP_JSTATE_PENDING;
    std::string reason = AttributeText(response, "job-printer-state-message");
    if (reason.empty())
        reason = AttributeText(response, "job-state-reasons");
    ippDelete(response);
    switch (state) {
        case IPP_JSTATE_COMPLETED:
            return JobState();
        case IPP_JSTATE_CANCELED:
            return Lost(JobState::Kind::Failed, winerror::kPrintCancelled, reason);
        case IPP_JSTATE_ABORTED:
            return Lost(JobState::Kind::Failed, winerror::kIoDevice, reason);
        case IPP_JSTATE_HELD:
        case IPP_JSTATE_STOPPED:
            return Lost(JobState::Kind::Stopped, winerror::kInvalidPrinterState, reason);
        default: {
            const QueueState queue = QueueOf(printer, false);
            if (!queue.Ready())
                return Lost(JobState::Kind::Stopped, queue.error, queue.reason);
            JobState s;
            s.kind =
                state == IPP_JSTATE_PROCESSING ? JobState::Kind::Printing : JobState::Kind::Queued;
            s.reason = reason;
            return s;
        }
    }
}

// The failure of a job's request. A queue deleted while its job was being sent interrupts the
// request with no more than a general failure: the queue is asked, so the operator reads that
// the printer is gone (1801).
std::uint32_t JobError(const std::string& printer) {
    const std::uint32_t e = LastError();
    if (e != winerror::kGenFailure)
        return e;
    const QueueState queue = QueueOf(printer, false);
    return queue.error == winerror::kInvalidPrinterName ? queue.error : e;
}

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
        return jobId_ > 0 ? winerror::kSuccess : JobError(printer_);
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
            return JobError(printer_);
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
            return JobError(printer_);
        finished_ = true;
        finishedId_ = jobId_;
        return winerror::kSuccess;
    }

    int JobId() const override { return finished_ ? finishedId_ : 0; }

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
        ipp_t* request = ippNewRequest(IPP_OP_CLOSE_JOB);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                     PrinterUri(printer_).c_str());
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId_);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                     cupsUser());
        ippDelete(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/jobs/"));
        if (cupsLastError() > IPP_STATUS_OK_CONFLICTING)
            return JobError(printer_);
        finished_ = true;
        finishedId_ = jobId_;
        return winerror::kSuccess;
    }

    std::string printer_;
    std::string title_;
    int jobId_ = 0;
    int finishedId_ = 0;
    bool documentOpen_ = false;
    bool writeFailed_ = false;
    bool finished_ = false;
};

class CupsSpooler : public ISpooler {
  public:
    std::unique_ptr<IRawJob> Open(const std::string& printerName, std::uint32_t& error) override {
        // Asking the scheduler about the queue tells an unknown printer (1801) from a scheduler
        // that cannot be reached (1722).
        const QueueState queue = QueueOf(printerName, false);
        if (queue.error == winerror::kInvalidPrinterName ||
            queue.error == winerror::kServerUnavailable) {
            error = queue.error;
            return nullptr;
        }
        error = winerror::kSuccess;
        return std::make_unique<CupsRawJob>(printerName);
    }
    QueueState Queue(const std::string& printerName) override { return QueueOf(printerName, true); }
    JobState Job(const std::string& printerName, int jobId) override {
        return jobId == 0 ? JobState() : JobOf(printerName, jobId);
    }
    void Cancel(const std::string& printerName, int jobId) override {
        if (jobId != 0)
            cupsCancelJob2(CUPS_HTTP_DEFAULT, printerName.c_str(), jobId, 0);
    }
};

}  // namespace

std::unique_ptr<ISpooler> CreateSystemSpooler() {
    return std::make_unique<CupsSpooler>();
}

}  // namespace bpconf::platform
