// How an update run ends, and the failures that end it early.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Printers.h"

namespace bpconf::op {

enum class RunEnd {
    Normal,
    Conversion,     // a value that cannot be sent (not a whole number, a name with a control char)
    Oversized,      // the self-test payload is too large
    SerialStore,    // no serial number could be had (the counter, the ledger, the policy)
    Record,         // the record cannot be written: nothing was sent
    Line,           // the station may not run on its line now: nothing was sent
    Delivery,       // a message did not reach the printer, or its queue cannot print
    Unconfirmed,    // every message was handed over, but the last could not be confirmed whole
    Closed,         // the window closed during the run
    NotStarted,     // a run was already under way
    ReuseDeclined,  // the operator chose not to stamp a serial number used before
};

// A run that cannot go on: the text tells the operator why, in the interface language, in the
// error box.
struct RunFailure {
    RunEnd end;
    std::string text;
};

// A message that did not reach the printer, or a queue that cannot print.
struct DeliveryFailure {
    DeliveryFailure(std::uint32_t error, bool shown, bool beforeRun)
        : error(error), shown(shown), beforeRun(beforeRun) {}
    std::uint32_t error;
    bool shown;      // the transport has shown its box already
    bool beforeRun;  // the queue was refused before anything was sent
    // Only the delivery check after the last message failed: that message may be whole or not.
    bool unconfirmed = false;
    std::vector<platform::WaitingJob> waiting;  // before the run: the jobs in the way
};

// The window closes: the run stops at its next pump, pause or wait.
struct RunStopped {};

}  // namespace bpconf::op
