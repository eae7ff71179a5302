#include "platform/ErrorNumbers.h"

namespace bpconf::platform::winerror {

namespace {

struct Entry {
    std::uint32_t number;
    const char* text;
};

// What each number means where this tool meets it.
constexpr Entry kTexts[] = {
    {kAccessDenied, "the spooler refused access"},
    {kNotEnoughMemory, "the job is too large for the spooler"},
    {kNotReady, "the printer is offline"},
    {kOutOfPaper, "the printer is out of paper"},
    {kGenFailure, "the spooler reported a failure"},
    {kUnexpectedNetError, "the connection to the spooler broke while sending"},
    {kPrintCancelled, "the job was cancelled or deleted"},
    {kDiskFull, "the disk is full"},
    {kNoData, "the port closed while writing"},
    {kIoDevice, "the printer could not take the job"},
    {kTimeout, "the job did not reach the printer in time"},
    {kServerUnavailable, "the print spooler cannot be reached"},
    {kInvalidPrinterName, "there is no printer of that name"},
    {kInvalidDatatype, "the spooler does not take raw data"},
    {kInvalidPrinterState, "the printer queue is stopped, paused or refuses jobs"},
};

}  // namespace

std::string ErrorText(std::uint32_t error) {
    for (const auto& e : kTexts) {
        if (e.number == error)
            return e.text;
    }
    return std::string();
}

}  // namespace bpconf::platform::winerror
