#include "platform/posix/PosixErrors.h"

#include <cups/cups.h>

#include <cerrno>
#include <vector>

#include "platform/ErrorNumbers.h"

namespace bpconf::platform {

namespace {

// One table from the scheduler's statuses and the system's errno values to the numbers the
// operator sees; anything else is 31 (a general failure).
struct Row {
    std::uint32_t number;
    std::vector<int> ippStatuses;
    std::vector<int> errnos;
};

const std::vector<Row>& Table() {
    static const std::vector<Row> kRows = {
        {winerror::kSuccess,
         {IPP_STATUS_OK, IPP_STATUS_OK_IGNORED_OR_SUBSTITUTED, IPP_STATUS_OK_CONFLICTING},
         {0}},
        {winerror::kInvalidPrinterName, {IPP_STATUS_ERROR_NOT_FOUND}, {}},
        {winerror::kServerUnavailable, {IPP_STATUS_ERROR_SERVICE_UNAVAILABLE}, {}},
        {winerror::kAccessDenied,
         {IPP_STATUS_ERROR_FORBIDDEN, IPP_STATUS_ERROR_NOT_AUTHENTICATED,
          IPP_STATUS_ERROR_NOT_AUTHORIZED, IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED},
         {EACCES, EPERM}},
        {winerror::kInvalidPrinterState, {IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS}, {}},
        {winerror::kInvalidDatatype, {IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED}, {}},
        {winerror::kNotEnoughMemory, {IPP_STATUS_ERROR_REQUEST_ENTITY}, {ENOMEM}},
        {winerror::kTimeout, {IPP_STATUS_ERROR_TIMEOUT}, {ETIMEDOUT}},
        {winerror::kNoData, {}, {EPIPE}},
        {winerror::kDiskFull, {}, {ENOSPC}},
        {winerror::kIoDevice, {}, {EIO, ENXIO, ENODEV}},
    };
    return kRows;
}

template <typename Member>
std::uint32_t Find(Member member, int value) {
    for (const auto& row : Table()) {
        for (int v : row.*member) {
            if (v == value)
                return row.number;
        }
    }
    return winerror::kGenFailure;
}

}  // namespace

std::uint32_t ErrorForIppStatus(int status) {
    return Find(&Row::ippStatuses, status);
}

std::uint32_t ErrorForErrno(int error) {
    return Find(&Row::errnos, error);
}

}  // namespace bpconf::platform
