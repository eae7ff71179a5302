// Printers, raw jobs and their states through the Windows spooler, with the wide-character API:
// printer names cross into the tool as UTF-8, whatever the system's ANSI code page.
// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <winspool.h>

#include <vector>

#include "platform/Backends.h"
#include "platform/WindowsJobStatus.h"
#include "platform/win32/WideText.h"

namespace bpconf::platform {

namespace {

using win32::Narrow;
using win32::Widen;

std::uint32_t LastErrorOr(std::uint32_t fallback) {
    const DWORD e = ::GetLastError();
    return e != 0 ? static_cast<std::uint32_t>(e) : fallback;
}

// The stages of one job on an opened printer handle. A stage that fails after the document
// began would leave a torn message in the queue, to go out later, perhaps to the next unit: the
// job is withdrawn instead of submitted, as the CUPS back end cancels it.
class Win32RawJob : public IRawJob {
  public:
    explicit Win32RawJob(HANDLE printer) : printer_(printer) {}
    ~Win32RawJob() override { Close(); }

    std::uint32_t StartDoc(const std::string& documentName, const std::string& dataType) override {
        document_ = Widen(documentName);
        dataType_ = Widen(dataType);
        DOC_INFO_1W info{};
        info.pDocName = document_.data();
        info.pOutputFile = nullptr;
        info.pDatatype = dataType_.data();
        const DWORD id = ::StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&info));
        if (id == 0)
            return LastErrorOr(winerror::kGenFailure);
        jobId_ = static_cast<int>(id);
        return winerror::kSuccess;
    }
    std::uint32_t StartPage() override { return Stage(::StartPagePrinter(printer_)); }
    std::uint32_t Write(const std::uint8_t* data, std::size_t length) override {
        DWORD written = 0;
        const BOOL ok = ::WritePrinter(printer_, const_cast<std::uint8_t*>(data),
                                       static_cast<DWORD>(length), &written);
        // A short write lost part of the message: that is a failure too.
        const std::uint32_t error = Stage(ok);
        if (error == winerror::kSuccess && written != length) {
            failed_ = true;
            return winerror::kGenFailure;
        }
        return error;
    }
    std::uint32_t EndPage() override { return Stage(::EndPagePrinter(printer_)); }
    std::uint32_t EndDoc() override {
        if (jobId_ == 0)
            return winerror::kGenFailure;
        if (failed_) {
            Withdraw();
            return winerror::kPrintCancelled;
        }
        if (!::EndDocPrinter(printer_)) {
            const std::uint32_t error = LastErrorOr(winerror::kGenFailure);
            // The spooler may hold the job all the same.
            ::SetJobW(printer_, static_cast<DWORD>(jobId_), 0, nullptr, JOB_CONTROL_DELETE);
            withdrawn_ = true;
            return error;
        }
        ended_ = true;
        return winerror::kSuccess;
    }
    std::uint32_t Close() override {
        if (printer_ == nullptr)
            return winerror::kSuccess;
        if (jobId_ != 0 && !ended_)
            Withdraw();
        const BOOL ok = ::ClosePrinter(printer_);
        printer_ = nullptr;
        return ok ? winerror::kSuccess : LastErrorOr(winerror::kGenFailure);
    }
    int JobId() const override { return ended_ ? jobId_ : 0; }

  private:
    std::uint32_t Stage(BOOL ok) {
        if (ok)
            return winerror::kSuccess;
        failed_ = true;
        return LastErrorOr(winerror::kGenFailure);
    }
    // Drops the job begun on this handle: AbortPrinter deletes its spool file.
    void Withdraw() {
        if (!withdrawn_)
            ::AbortPrinter(printer_);
        withdrawn_ = true;
    }
    HANDLE printer_;
    std::wstring document_, dataType_;
    int jobId_ = 0;
    bool failed_ = false, ended_ = false, withdrawn_ = false;
};

// An open printer handle for a question, closed with the object.
class PrinterHandle {
  public:
    explicit PrinterHandle(const std::string& name) {
        std::wstring wide = Widen(name);
        if (!::OpenPrinterW(wide.data(), &handle_, nullptr)) {
            error_ = LastErrorOr(winerror::kInvalidPrinterName);
            handle_ = nullptr;
        }
    }
    ~PrinterHandle() {
        if (handle_ != nullptr)
            ::ClosePrinter(handle_);
    }
    HANDLE get() const { return handle_; }
    std::uint32_t error() const { return error_; }

  private:
    HANDLE handle_ = nullptr;
    std::uint32_t error_ = 0;
};

JobState Gone(std::uint32_t error) {
    JobState s;
    s.kind = JobState::Kind::Gone;
    s.error = error;
    return s;
}

class Win32Spooler : public ISpooler {
  public:
    std::unique_ptr<IRawJob> Open(const std::string& printerName, std::uint32_t& error) override {
        HANDLE handle = nullptr;
        std::wstring wide = Widen(printerName);
        if (!::OpenPrinterW(wide.data(), &handle, nullptr)) {
            error = LastErrorOr(winerror::kInvalidPrinterName);
            return nullptr;
        }
        error = winerror::kSuccess;
        return std::make_unique<Win32RawJob>(handle);
    }

    QueueState Queue(const std::string& printerName) override { return QueueOf(printerName, true); }

    // A paused queue, one pending deletion, or one set to work offline holds its jobs. Before a
    // run (withWaitingJobs) jobs still waiting in the queue make it unready too: they would go
    // out to the unit about to be configured.
    QueueState QueueOf(const std::string& printerName, bool withWaitingJobs) {
        QueueState q;
        PrinterHandle printer(printerName);
        if (printer.get() == nullptr) {
            q.error = printer.error();
            return q;
        }
        DWORD needed = 0;
        ::GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
        std::vector<BYTE> buffer(needed);
        if (needed == 0 || !::GetPrinterW(printer.get(), 2, buffer.data(), needed, &needed))
            return q;
        const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
        if (info->Status & (PRINTER_STATUS_PAUSED | PRINTER_STATUS_PENDING_DELETION)) {
            q.error = winerror::kInvalidPrinterState;
            q.reason = "the queue is paused";
        } else if (info->Attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) {
            q.error = winerror::kInvalidPrinterState;
            q.reason = "the printer is set to work offline";
        } else if (withWaitingJobs && info->cJobs > 0) {
            q.error = winerror::kInvalidPrinterState;
            q.reason = std::to_string(info->cJobs) +
                       " job(s) still waiting in the queue would go out to this unit; cancel them";
        }
        return q;
    }

    // GetJob level 1. A job the spooler no longer knows is taken as arrived: the spooler removes
    // a printed job from the queue, and a job deleted from the queue by hand vanishes the same
    // way, which this level of GetJob cannot tell apart.
    JobState Job(const std::string& printerName, int jobId) override {
        if (jobId == 0)
            return JobState();
        PrinterHandle printer(printerName);
        if (printer.get() == nullptr)
            return Gone(printer.error());
        DWORD needed = 0;
        ::GetJobW(printer.get(), static_cast<DWORD>(jobId), 1, nullptr, 0, &needed);
        std::vector<BYTE> buffer(needed);
        if (needed == 0 || !::GetJobW(printer.get(), static_cast<DWORD>(jobId), 1, buffer.data(),
                                      needed, &needed)) {
            return JobState();
        }
        const auto* job = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
        const std::uint32_t status = job->Status;
        const std::string text = Narrow(job->pStatus);
        // The queue is asked only about a job that would still wait or print.
        const bool settled =
            (status &
             (JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE | JOB_STATUS_DELETED | JOB_STATUS_DELETING |
              JOB_STATUS_ERROR | JOB_STATUS_PAPEROUT | JOB_STATUS_OFFLINE |
              JOB_STATUS_BLOCKED_DEVQ | JOB_STATUS_USER_INTERVENTION | JOB_STATUS_PAUSED)) != 0;
        return JobStateFromWindowsStatus(status, text,
                                         settled ? 0 : QueueOf(printerName, false).error);
    }

    void Cancel(const std::string& printerName, int jobId) override {
        PrinterHandle printer(printerName);
        if (printer.get() != nullptr && jobId != 0)
            ::SetJobW(printer.get(), static_cast<DWORD>(jobId), 0, nullptr, JOB_CONTROL_DELETE);
    }
};

}  // namespace

std::unique_ptr<ISpooler> CreateSystemSpooler() {
    return std::make_unique<Win32Spooler>();
}

}  // namespace bpconf::platform
