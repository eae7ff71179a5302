// Raw jobs and their states, and the queues' states, through CUPS. CUPS_SERVER (environment)
// names the scheduler.
#include <cups/cups.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <thread>

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

// A request about the printer, from this user (the scheduler shows a job's private attributes,
// such as its name and owner, and a subscription's events to their owner only).
ipp_t* PrinterRequest(ipp_op_t operation, const std::string& printer) {
    ipp_t* request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 PrinterUri(printer).c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    return request;
}

// A response freed whatever way its reader leaves.
using Response = std::unique_ptr<ipp_t, decltype(&ippDelete)>;

// The text of one attribute of a response ("" when it has none).
std::string AttributeText(ipp_t* response, const char* name) {
    ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_ZERO);
    if (a == nullptr)
        return std::string();
    char text[1024];
    ippAttributeString(a, text, sizeof text);
    return text;
}

// The attributes of each object of one kind in a response, one callback per attribute; a new
// object begins at every attribute of another group.
template <typename OnAttribute, typename OnEnd>
void EachObject(ipp_t* response, ipp_tag_t group, OnAttribute onAttribute, OnEnd onEnd) {
    ipp_attribute_t* a = ippFirstAttribute(response);
    while (a != nullptr) {
        if (ippGetGroupTag(a) != group) {
            a = ippNextAttribute(response);
            continue;
        }
        for (; a != nullptr && ippGetGroupTag(a) == group; a = ippNextAttribute(response)) {
            if (ippGetName(a) != nullptr)
                onAttribute(a);
        }
        onEnd();
    }
}

// Jobs of the queue not yet completed (pending, held, processing, stopped), each named as the
// spooler's own commands name it; nothing when the scheduler would not list them.
std::optional<std::vector<WaitingJob>> WaitingJobs(const std::string& printer) {
    static const char* const kWanted[] = {"job-id", "job-name", "job-originating-user-name",
                                          "job-state-reasons"};
    ipp_t* request = PrinterRequest(IPP_OP_GET_JOBS, printer);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr,
                 "not-completed");
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kWanted)), nullptr, kWanted);
    const Response response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"), &ippDelete);
    if (cupsLastError() > IPP_STATUS_OK_CONFLICTING)
        return std::nullopt;
    std::vector<WaitingJob> jobs;
    WaitingJob job;
    EachObject(
        response.get(), IPP_TAG_JOB,
        [&](ipp_attribute_t* a) {
            const std::string name = ippGetName(a);
            if (name == "job-id") {
                job.id = printer + "-" + std::to_string(ippGetInteger(a, 0));
            } else if (name == "job-name" || name == "job-originating-user-name") {
                const char* text = ippGetString(a, 0, nullptr);
                (name == "job-name" ? job.title : job.user) = text != nullptr ? text : "";
            } else if (name == "job-state-reasons") {
                for (int i = 0; i < ippGetCount(a); ++i) {
                    const char* reason = ippGetString(a, i, nullptr);
                    if (reason != nullptr && std::string(reason) == "job-incoming")
                        job.incomplete = true;
                }
            }
        },
        [&] {
            if (!job.id.empty())
                jobs.push_back(job);
            job = WaitingJob();
        });
    return jobs;
}

// The queue's state, or its failure: 1801 for a printer the scheduler does not know, 1722 when
// the scheduler cannot be reached. Before a run (withWaitingJobs) jobs still waiting in the queue
// make it unready too: they would go out to the unit about to be configured.
QueueState QueueOf(const std::string& printer, bool withWaitingJobs) {
    QueueState q;
    static const char* const kWanted[] = {"printer-state", "printer-is-accepting-jobs",
                                          "printer-state-message"};
    ipp_t* request = PrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, printer);
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
        // Jobs that cannot be listed may be in the way: the run does not start on a guess.
        auto waiting = WaitingJobs(printer);
        if (!waiting) {
            q.error = LastError();
            q.reason = cupsLastErrorString();
            return q;
        }
        q.waiting = std::move(*waiting);
        if (!q.waiting.empty()) {
            q.error = winerror::kInvalidPrinterState;
            q.reason = std::to_string(q.waiting.size()) +
                       " job(s) still waiting in the queue would go out to this unit; cancel them";
        }
    }
    return q;
}

constexpr int kSettleTries = 10;
constexpr int kSettleMs = 200;

// One cause, one number, whatever the timing: a job, a request or a document that failed because
// its queue was deleted (1801) or the scheduler stopped (1722) says so, not what the scheduler
// happened to answer on its way down (a cancelled job, a general failure).
std::uint32_t CauseOf(const std::string& printer, std::uint32_t error, std::string* reason) {
    if (error == winerror::kInvalidPrinterName || error == winerror::kServerUnavailable)
        return error;
    QueueState queue = QueueOf(printer, false);
    // A scheduler on its way down answers with general failures for a moment before it stops
    // answering at all: asked again, it says what it is.
    for (int i = 0; i < kSettleTries && queue.error == winerror::kGenFailure; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
        queue = QueueOf(printer, false);
    }
    if (queue.error != winerror::kInvalidPrinterName &&
        queue.error != winerror::kServerUnavailable) {
        return error;
    }
    if (reason != nullptr)
        *reason = queue.reason;
    return queue.error;
}

JobState Lost(JobState::Kind kind, std::uint32_t error, std::string reason) {
    JobState s;
    s.kind = kind;
    s.error = error;
    s.reason = std::move(reason);
    return s;
}

// The ends of the jobs of the printers this process prints to, as a printer subscription reports
// them (job-completed events, pulled with Get-Notifications). A scheduler that keeps no job history
// (PreserveJobHistory No) forgets a job the moment it completes; its event still tells a job that
// printed from one that was cancelled or aborted.
class JobEnds {
  public:
    JobEnds() = default;
    JobEnds(const JobEnds&) = delete;
    JobEnds& operator=(const JobEnds&) = delete;
    ~JobEnds() {
        for (const auto& [printer, watch] : watches_)
            CancelSubscription(printer, watch.id);
    }

    // Makes sure the printer is watched before a job of ours is created on it, and while its jobs
    // are followed. The lease is short (a killed process leaves its subscription behind for
    // minutes only) and a new subscription takes over well before it ends; the old one is
    // cancelled only once the new one exists and what the old one held was taken.
    void Watch(const std::string& printer) {
        const auto now = std::chrono::steady_clock::now();
        auto it = watches_.find(printer);
        if (it != watches_.end() && now - it->second.since < kRenewAfter)
            return;
        const int id = CreateSubscription(printer);
        if (id == 0)
            return;  // the old one, if any, still runs until its lease ends
        if (it != watches_.end()) {
            Pull(printer, it->second);
            CancelSubscription(printer, it->second.id);
        }
        watches_[printer] = Subscription{id, now, 1};
    }

    // The final job-state of a job of the watched printer (completed, canceled, aborted), when
    // its end was reported; an end is given once.
    std::optional<int> EndOf(const std::string& printer, int jobId) {
        auto it = watches_.find(printer);
        if (it != watches_.end())
            Pull(printer, it->second);
        const auto end = ends_.find({printer, jobId});
        if (end == ends_.end())
            return std::nullopt;
        const int state = end->second;
        ends_.erase(end);
        return state;
    }

  private:
    static constexpr int kLeaseSeconds = 600;
    static constexpr std::size_t kMostEnds = 1000;
    static constexpr auto kRenewAfter = std::chrono::seconds(kLeaseSeconds / 2);

    struct Subscription {
        int id = 0;
        std::chrono::steady_clock::time_point since;
        int nextSequence = 1;
    };

    static int CreateSubscription(const std::string& printer) {
        ipp_t* request = PrinterRequest(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS, printer);
        ippAddString(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method", nullptr,
                     "ippget");
        ippAddString(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events", nullptr,
                     "job-completed");
        ippAddInteger(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration",
                      kLeaseSeconds);
        ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
        int id = 0;
        if (cupsLastError() <= IPP_STATUS_OK_CONFLICTING) {
            if (ipp_attribute_t* a =
                    ippFindAttribute(response, "notify-subscription-id", IPP_TAG_INTEGER))
                id = ippGetInteger(a, 0);
        }
        ippDelete(response);
        return id;
    }

    static void CancelSubscription(const std::string& printer, int id) {
        ipp_t* request = PrinterRequest(IPP_OP_CANCEL_SUBSCRIPTION, printer);
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id", id);
        ippDelete(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
    }

    // Takes the events not seen yet and keeps each job's end.
    void Pull(const std::string& printer, Subscription& watch) {
        ipp_t* request = PrinterRequest(IPP_OP_GET_NOTIFICATIONS, printer);
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-ids",
                      watch.id);
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-sequence-numbers",
                      watch.nextSequence);
        const Response response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"), &ippDelete);
        if (cupsLastError() <= IPP_STATUS_OK_CONFLICTING) {
            int sequence = 0, job = 0, state = 0;
            EachObject(
                response.get(), IPP_TAG_EVENT_NOTIFICATION,
                [&](ipp_attribute_t* a) {
                    const std::string name = ippGetName(a);
                    if (name == "notify-sequence-number")
                        sequence = ippGetInteger(a, 0);
                    else if (name == "notify-job-id")
                        job = ippGetInteger(a, 0);
                    else if (name == "job-state")
                        state = ippGetInteger(a, 0);
                },
                [&] {
                    // Every job of the printer is reported, anyone's: only the latest are kept.
                    if (job != 0 && state >= IPP_JSTATE_CANCELED) {
                        ends_[{printer, job}] = state;
                        if (ends_.size() > kMostEnds)
                            ends_.erase(ends_.begin());
                    }
                    watch.nextSequence = std::max(watch.nextSequence, sequence + 1);
                    sequence = job = state = 0;
                });
        }
    }

    std::map<std::string, Subscription> watches_;
    std::map<std::pair<std::string, int>, int> ends_;
};

// A job's state from Get-Job-Attributes, with the queue's state where it decides: a waiting job
// on a stopped queue would go out later, unpaced, to whatever unit is connected then.
JobState JobOf(const std::string& printer, int jobId, JobEnds& ends) {
    static const char* const kWanted[] = {"job-state", "job-state-reasons",
                                          "job-printer-state-message"};
    ipp_t* request = PrinterRequest(IPP_OP_GET_JOB_ATTRIBUTES, printer);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kWanted)), nullptr, kWanted);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    const ipp_status_t status = cupsLastError();
    int state = IPP_JSTATE_PENDING;
    std::string reason;
    if (response == nullptr || status > IPP_STATUS_OK_CONFLICTING) {
        reason = cupsLastErrorString();
        ippDelete(response);
        if (status != IPP_STATUS_ERROR_NOT_FOUND) {
            // The spooler could not be asked: the job may still be waiting there and go out when
            // it answers again, so it counts as held (and is cancelled where that is possible).
            std::uint32_t error = LastError();
            error = CauseOf(printer, error, &reason);
            return Lost(JobState::Kind::Stopped, error,
                        error == winerror::kServerUnavailable ? std::string() : reason);
        }
        // Forgotten: a scheduler without job history drops a job as it completes.
        const std::optional<int> end = ends.EndOf(printer, jobId);
        if (!end) {
            std::uint32_t error = CauseOf(printer, winerror::kPrintCancelled, &reason);
            return Lost(JobState::Kind::Gone, error, reason);
        }
        state = *end;
    } else {
        ipp_attribute_t* stateAttr = ippFindAttribute(response, "job-state", IPP_TAG_ENUM);
        state = stateAttr != nullptr ? ippGetInteger(stateAttr, 0) : IPP_JSTATE_PENDING;
        reason = AttributeText(response, "job-printer-state-message");
        if (reason.empty())
            reason = AttributeText(response, "job-state-reasons");
        ippDelete(response);
    }
    switch (state) {
        case IPP_JSTATE_COMPLETED:
            return JobState();
        case IPP_JSTATE_CANCELED:
        case IPP_JSTATE_ABORTED: {
            const std::uint32_t error = CauseOf(
                printer,
                state == IPP_JSTATE_CANCELED ? winerror::kPrintCancelled : winerror::kIoDevice,
                &reason);
            return Lost(error == winerror::kServerUnavailable ? JobState::Kind::Stopped
                                                              : JobState::Kind::Failed,
                        error, reason);
        }
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

// The failure of a job's request. A queue deleted or a scheduler stopped while a job was being
// sent interrupts the request with no more than a general failure: the queue is asked, so the
// operator reads that the printer is gone (1801) or the spooler (1722).
std::uint32_t JobError(const std::string& printer) {
    return CauseOf(printer, LastError(), nullptr);
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
            // The request is ended before the scheduler is asked anything else on the same
            // connection; the job is cancelled at Close.
            cupsFinishDocument(CUPS_HTTP_DEFAULT, printer_.c_str());
            documentOpen_ = false;
            writeError_ = CauseOf(printer_, winerror::kUnexpectedNetError, nullptr);
            return writeError_;
        }
        return winerror::kSuccess;
    }

    std::uint32_t EndPage() override { return winerror::kSuccess; }

    std::uint32_t EndDoc() override {
        if (jobId_ <= 0)
            return winerror::kGenFailure;
        if (writeError_ != 0)
            return writeError_;
        if (!documentOpen_)
            return CloseJobWithoutDocument();
        documentOpen_ = false;
        const ipp_status_t s = cupsFinishDocument(CUPS_HTTP_DEFAULT, printer_.c_str());
        if (s > IPP_STATUS_OK_CONFLICTING)
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
        ipp_t* request = PrinterRequest(IPP_OP_CLOSE_JOB, printer_);
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId_);
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
    std::uint32_t writeError_ = 0;  // the document could not be written whole
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
        ends_.Watch(printerName);
        return std::make_unique<CupsRawJob>(printerName);
    }
    QueueState Queue(const std::string& printerName) override { return QueueOf(printerName, true); }
    JobState Job(const std::string& printerName, int jobId) override {
        if (jobId == 0)
            return JobState();
        ends_.Watch(printerName);
        return JobOf(printerName, jobId, ends_);
    }
    void Cancel(const std::string& printerName, int jobId) override {
        if (jobId != 0)
            cupsCancelJob2(CUPS_HTTP_DEFAULT, printerName.c_str(), jobId, 0);
    }

  private:
    JobEnds ends_;
};

}  // namespace

std::unique_ptr<ISpooler> CreateSystemSpooler() {
    return std::make_unique<CupsSpooler>();
}

}  // namespace bpconf::platform
