#include "platform/WindowsJobStatus.h"

namespace bpconf::platform {

namespace {

JobState Lost(JobState::Kind kind, std::uint32_t error, const std::string& reason) {
    JobState s;
    s.kind = kind;
    s.error = error;
    s.reason = reason;
    return s;
}

}  // namespace

JobState JobStateFromWindowsStatus(std::uint32_t status, const std::string& text,
                                   std::uint32_t queueError) {
    using namespace jobstatus;
    if (status & (kPrinted | kComplete))
        return JobState();
    if (status & (kDeleted | kDeleting))
        return Lost(JobState::Kind::Failed, winerror::kPrintCancelled, text);
    if (status & kError)
        return Lost(JobState::Kind::Failed, winerror::kIoDevice, text);
    if (status & kPaperOut)
        return Lost(JobState::Kind::Stopped, winerror::kOutOfPaper, text);
    if (status & kOffline)
        return Lost(JobState::Kind::Stopped, winerror::kNotReady, text);
    if (status & (kBlockedDevq | kUserIntervention | kPaused))
        return Lost(JobState::Kind::Stopped, winerror::kInvalidPrinterState, text);
    if (queueError != 0)
        return Lost(JobState::Kind::Stopped, queueError, text);
    JobState s;
    s.kind = status & kPrinting ? JobState::Kind::Printing : JobState::Kind::Queued;
    s.reason = text;
    return s;
}

}  // namespace bpconf::platform
