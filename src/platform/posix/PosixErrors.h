// The numbers the operator sees (those Windows gives) for the failures of the POSIX back ends.
#pragma once

#include <cstdint>

namespace bpconf::platform {

// A scheduler status (ipp_status_t); 0 for the successful ones, 31 for one the table lacks.
std::uint32_t ErrorForIppStatus(int status);
// A system errno value; 31 for one the table lacks.
std::uint32_t ErrorForErrno(int error);

}  // namespace bpconf::platform
