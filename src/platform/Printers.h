// Installed printers and raw spooler jobs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ErrorNumbers.h"

namespace bpconf::platform {

// The printers the system has, by name, in the system's order, and its default printer.
struct PrinterListing {
    std::vector<std::string> names;
    std::optional<std::string> defaultName;  // nothing when the system names none
    std::uint32_t error = 0;                 // the list could not be had (1722: no spooler)
};

class IPrinterList {
  public:
    virtual ~IPrinterList() = default;
    virtual PrinterListing List() = 0;
};

// What became of a job the spooler took.
struct JobState {
    enum class Kind {
        Queued,    // waiting its turn
        Printing,  // on its way to the printer
        Done,      // the printer has every byte
        Failed,    // it will never arrive: aborted, cancelled, refused
        Stopped,   // held by a stopped or paused queue: it would arrive later, unpaced
        Gone,      // the spooler no longer knows it (or its queue)
    };
    Kind kind = Kind::Done;
    std::uint32_t error = 0;  // Failed, Stopped, Gone: the number the operator sees
    std::string reason;       // the spooler's words, when it has any
    bool Arrived() const { return kind == Kind::Done; }
    bool Lost() const {
        return kind == Kind::Failed || kind == Kind::Stopped || kind == Kind::Gone;
    }
};

// A job still waiting in a queue before a run: it would go out to the unit about to be
// configured.
struct WaitingJob {
    std::string id;     // as the spooler's own commands name it ("Line1-17")
    std::string title;  // "Printer Test" for every job of this tool
    std::string user;
    bool incomplete = false;  // its sender never finished handing it over (a killed run)
};

// Whether a queue takes and prints jobs now.
struct QueueState {
    std::uint32_t error = 0;  // 0: ready; else stopped, paused, refusing, unknown, unreachable
    std::string reason;
    std::vector<WaitingJob> waiting;  // why a queue that could print is not ready
    bool Ready() const { return error == 0; }
};

// One raw job on an opened printer, in the stages of the Windows spooler. Each stage returns 0
// or the Windows error number of its failure; the caller decides whether to go on.
class IRawJob {
  public:
    virtual ~IRawJob() = default;
    virtual std::uint32_t StartDoc(const std::string& documentName,
                                   const std::string& dataType) = 0;
    virtual std::uint32_t StartPage() = 0;
    virtual std::uint32_t Write(const std::uint8_t* data, std::size_t length) = 0;
    virtual std::uint32_t EndPage() = 0;
    virtual std::uint32_t EndDoc() = 0;
    virtual std::uint32_t Close() = 0;
    // The spooler's number for the job once it was handed over; 0 when the bytes have arrived
    // already (a file, a port, memory).
    virtual int JobId() const { return 0; }
};

class ISpooler {
  public:
    virtual ~ISpooler() = default;
    // Opens the named printer; on failure returns nothing and sets error (1801 for a printer
    // the system does not know).
    virtual std::unique_ptr<IRawJob> Open(const std::string& printerName, std::uint32_t& error) = 0;
    // Whether the printer's queue takes and prints jobs now.
    virtual QueueState Queue(const std::string& printerName) {
        (void)printerName;
        return QueueState();
    }
    // What became of a job; a job number 0 has arrived.
    virtual JobState Job(const std::string& printerName, int jobId) {
        (void)printerName;
        (void)jobId;
        return JobState();
    }
    // Takes a job out of the queue, so that it can never reach a printer later.
    virtual void Cancel(const std::string& printerName, int jobId) {
        (void)printerName;
        (void)jobId;
    }
};

}  // namespace bpconf::platform
