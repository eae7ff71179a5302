// The error numbers the operator sees in "error N": the numbers Windows gives, on every system.
// Every back end maps its own failures (CUPS statuses, errno values, job states) to these, so
// the operator reads the same number for the same failure on Linux and on Windows.
#pragma once

#include <cstdint>
#include <string>

namespace bpconf::platform::winerror {

inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kAccessDenied = 5;            // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kNotEnoughMemory = 8;         // ERROR_NOT_ENOUGH_MEMORY
inline constexpr std::uint32_t kNotReady = 21;               // ERROR_NOT_READY
inline constexpr std::uint32_t kOutOfPaper = 28;             // ERROR_OUT_OF_PAPER
inline constexpr std::uint32_t kGenFailure = 31;             // ERROR_GEN_FAILURE
inline constexpr std::uint32_t kUnexpectedNetError = 59;     // ERROR_UNEXP_NET_ERR
inline constexpr std::uint32_t kPrintCancelled = 63;         // ERROR_PRINT_CANCELLED
inline constexpr std::uint32_t kDiskFull = 112;              // ERROR_DISK_FULL
inline constexpr std::uint32_t kNoData = 232;                // ERROR_NO_DATA (broken pipe)
inline constexpr std::uint32_t kIoDevice = 1117;             // ERROR_IO_DEVICE
inline constexpr std::uint32_t kTimeout = 1460;              // ERROR_TIMEOUT
inline constexpr std::uint32_t kServerUnavailable = 1722;    // RPC_S_SERVER_UNAVAILABLE
inline constexpr std::uint32_t kInvalidPrinterName = 1801;   // ERROR_INVALID_PRINTER_NAME
inline constexpr std::uint32_t kInvalidDatatype = 1804;      // ERROR_INVALID_DATATYPE
inline constexpr std::uint32_t kInvalidPrinterState = 1906;  // ERROR_INVALID_PRINTER_STATE

// A short text for a number, for the command line and the README ("" for an unknown one).
std::string ErrorText(std::uint32_t error);

}  // namespace bpconf::platform::winerror
