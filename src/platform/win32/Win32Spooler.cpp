// Printers, raw jobs and their states through the Windows spooler, with the wide-character API:
// printer names cross into the tool as UTF-8, whatever the system's ANSI code page.
// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <winspool.h>

#include <mutex>
#include <set>
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

// Not in every winspool.h: keep a job in the queue after it printed (Windows 8 and later), so
// that a job that vanished can be told from one that printed.
constexpr DWORD kJobControlRetain = 8;

// Under wine a job leaves wine's own queue the moment it is handed to the host's spooler, and
// wine can say nothing of it afterwards (GetJob fails, printer change notifications are not
// there): see the README.
bool UnderWine() {
    static const bool wine = [] {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

// The jobs this program asked the spooler to keep after printing, by printer and id: printed,
// they are deleted by the program itself.
class RetainedJobs {
  public:
    void Add(const std::string& printer, int id) {
        std::lock_guard<std::mutex> lock(m_);
        jobs_.insert({printer, id});
    }
    bool Take(const std::string& printer, int id) {
        std::lock_guard<std::mutex> lock(m_);
        return jobs_.erase({printer, id}) > 0;
    }

  private:
    std::mutex m_;
    std::set<std::pair<std::string, int>> jobs_;
};

// The stages of one job on an opened printer handle. A stage that fails after the document
// began would leave a torn message in the queue, to go out later, perhaps to the next unit: the
// job is withdrawn instead of submitted, as the CUPS back end cancels it.
class Win32RawJob : public IRawJob {
  public:
    Win32RawJob(HANDLE printer, std::string name, RetainedJobs& retained)
        : printer_(printer), name_(std::move(name)), retained_(retained) {}
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
        // Kept in the queue once printed, so that "printed" can be read from the spooler
        // rather than guessed from a job that is no longer there.
        if (::SetJobW(printer_, id, 0, nullptr, kJobControlRetain))
            retained_.Add(name_, jobId_);
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
    // Drops the job begun on this handle: AbortPrinter deletes its spool file; a job it cannot
    // abort is deleted by its id.
    void Withdraw() {
        if (!withdrawn_ && !::AbortPrinter(printer_) && jobId_ != 0)
            ::SetJobW(printer_, static_cast<DWORD>(jobId_), 0, nullptr, JOB_CONTROL_DELETE);
        withdrawn_ = true;
    }
    HANDLE printer_;
    std::string name_;
    RetainedJobs& retained_;
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
        return std::make_unique<Win32RawJob>(handle, printerName, retained_);
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
        if (needed == 0 || !::GetPrinterW(printer.get(), 2, buffer.data(), needed, &needed)) {
            // A printer whose state cannot be read is not taken for a ready one.
            q.error = LastErrorOr(winerror::kInvalidPrinterState);
            q.reason = "the printer's state cannot be read";
            return q;
        }
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

    // GetJob level 1. Done only when the spooler says the job printed or was handed whole to the
    // port (JOB_STATUS_PRINTED, JOB_STATUS_COMPLETE): the job was kept in the queue after
    // printing (JOB_CONTROL_RETAIN), so one the spooler no longer knows was deleted, not
    // printed. A printed job kept so is deleted here. Under wine alone, whose jobs leave its
    // queue for the host's spooler at once, a job no longer known is taken as handed over.
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
            const std::uint32_t error = LastErrorOr(winerror::kPrintCancelled);
            if (UnderWine())
                return JobState();
            retained_.Take(printerName, jobId);
            JobState gone = Gone(winerror::kPrintCancelled);
            gone.reason = "the spooler no longer knows the job (error " + std::to_string(error) +
                          "): it was deleted before it printed";
            return gone;
        }
        const auto* job = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
        const std::uint32_t status = job->Status;
        if ((status & (JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE)) != 0 &&
            retained_.Take(printerName, jobId)) {
            ::SetJobW(printer.get(), static_cast<DWORD>(jobId), 0, nullptr, JOB_CONTROL_DELETE);
        }
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
        retained_.Take(printerName, jobId);
        if (printer.get() != nullptr && jobId != 0)
            ::SetJobW(printer.get(), static_cast<DWORD>(jobId), 0, nullptr, JOB_CONTROL_DELETE);
    }

  private:
    RetainedJobs retained_;
};

}  // namespace

std::unique_ptr<ISpooler> CreateSystemSpooler() {
    return std::make_unique<Win32Spooler>();
}

}  // namespace bpconf::platform
