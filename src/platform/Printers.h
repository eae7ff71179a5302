// Installed printers and raw spooler jobs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bpconf::platform {

// Windows error numbers the operator sees in "error N"; every back end reports these.
namespace winerror {
inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kAccessDenied = 5;            // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kNotEnoughMemory = 8;         // ERROR_NOT_ENOUGH_MEMORY
inline constexpr std::uint32_t kGenFailure = 31;             // ERROR_GEN_FAILURE
inline constexpr std::uint32_t kUnexpectedNetError = 59;     // ERROR_UNEXP_NET_ERR
inline constexpr std::uint32_t kDiskFull = 112;              // ERROR_DISK_FULL
inline constexpr std::uint32_t kNoData = 232;                // ERROR_NO_DATA (broken pipe)
inline constexpr std::uint32_t kIoDevice = 1117;             // ERROR_IO_DEVICE
inline constexpr std::uint32_t kTimeout = 1460;              // ERROR_TIMEOUT
inline constexpr std::uint32_t kServerUnavailable = 1722;    // RPC_S_SERVER_UNAVAILABLE
inline constexpr std::uint32_t kInvalidPrinterName = 1801;   // ERROR_INVALID_PRINTER_NAME
inline constexpr std::uint32_t kInvalidDatatype = 1804;      // ERROR_INVALID_DATATYPE
inline constexpr std::uint32_t kInvalidPrinterState = 1906;  // ERROR_INVALID_PRINTER_STATE
}  // namespace winerror

// The printers the system has, by name, in the system's order, and its default printer.
class IPrinterList {
  public:
    virtual ~IPrinterList() = default;
    virtual std::vector<std::string> InstalledPrinters() = 0;
    // The default printer's name, or nothing when the system names none.
    virtual std::optional<std::string> DefaultPrinter() = 0;
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
};

class ISpooler {
  public:
    virtual ~ISpooler() = default;
    // Opens the named printer; on failure returns nothing and sets error (1801 for a printer
    // the system does not know).
    virtual std::unique_ptr<IRawJob> Open(const std::string& printerName, std::uint32_t& error) = 0;
};

}  // namespace bpconf::platform
