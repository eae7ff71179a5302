// What a job's status flags from the Windows spooler (GetJob, JOB_INFO_1 Status) mean for the
// run. Portable, so the table is tested on every build.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Printers.h"

namespace bpconf::platform {

// The JOB_STATUS_* flags of winspool.h.
namespace jobstatus {
inline constexpr std::uint32_t kPaused = 0x0001;
inline constexpr std::uint32_t kError = 0x0002;
inline constexpr std::uint32_t kDeleting = 0x0004;
inline constexpr std::uint32_t kSpooling = 0x0008;
inline constexpr std::uint32_t kPrinting = 0x0010;
inline constexpr std::uint32_t kOffline = 0x0020;
inline constexpr std::uint32_t kPaperOut = 0x0040;
inline constexpr std::uint32_t kPrinted = 0x0080;
inline constexpr std::uint32_t kDeleted = 0x0100;
inline constexpr std::uint32_t kBlockedDevq = 0x0200;
inline constexpr std::uint32_t kUserIntervention = 0x0400;
inline constexpr std::uint32_t kComplete = 0x1000;
}  // namespace jobstatus

// The job's state from its flags and the spooler's status text; a job still waiting or printing
// is Stopped when its queue cannot print (queueError, 0: it can).
JobState JobStateFromWindowsStatus(std::uint32_t status, const std::string& statusText,
                                   std::uint32_t queueError);

}  // namespace bpconf::platform
