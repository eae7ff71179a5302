#include "operator/RunRecord.h"

#include <cstdio>
#include <random>

#include "platform/ErrorNumbers.h"

namespace bpconf::op {

std::string NewRunId() {
    std::random_device device;
    std::string id;
    char buf[9];
    for (int i = 0; i < 4; ++i) {
        std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>(device()));
        id += buf;
    }
    return id;
}

platform::RecordedMessage RecordedMessageOf(const SentMessage& sent) {
    platform::RecordedMessage m;
    m.message = sent.description;
    if (sent.arrived && (sent.confirmed || sent.probe)) {
        m.result = "done";
        return m;
    }
    if (sent.arrived) {
        // The spooler handed it over; no later job showed that the link held to its last byte.
        m.result = "not confirmed";
        m.errorText = "handed to the printer's link; not confirmed whole at the printer";
        return m;
    }
    if (!sent.delivery.MayHaveLeft()) {
        m.result = "not sent";
        m.error = sent.delivery.error;
    } else {
        // Handed over and never confirmed at the printer: failed, stopped, gone, or cut short
        // by the end of the run.
        m.result = "failed";
        m.error = sent.state.error;
    }
    m.errorText = !sent.state.reason.empty() ? sent.state.reason
                  : m.error != 0             ? platform::winerror::ErrorText(m.error)
                                             : std::string("not confirmed at the printer");
    return m;
}

std::string OutcomeOf(RunEnd end, const std::vector<platform::RecordedMessage>& messages) {
    switch (end) {
        case RunEnd::Normal:
            for (const auto& m : messages) {
                if (m.result != "done")
                    return "delivery failed";
            }
            return "finished";
        case RunEnd::Closed:
            return "closed";
        case RunEnd::Delivery:
            return "delivery failed";
        case RunEnd::Unconfirmed:
            return "not confirmed";
        default:
            return "ended early";
    }
}

}  // namespace bpconf::op
