#include "operator/Deliveries.h"

#include <algorithm>
#include <chrono>

namespace bpconf::op {

namespace {

// How often the spooler is asked about a job waited for: soon at first (a healthy printer takes
// a job within milliseconds), then less and less often.
constexpr int kFirstPollMs = 2;
constexpr int kLastPollMs = 50;

// "30 s", "2.5 s".
std::string Seconds(int milliseconds) {
    std::string text = std::to_string(milliseconds / 1000);
    if (milliseconds % 1000 != 0)
        text += "." + std::to_string(milliseconds % 1000 / 100);
    return text + " s";
}

}  // namespace

const SentMessage& Deliveries::Add(std::string description, const Delivery& delivery,
                                   bool carriesSerial, bool probe) {
    SentMessage sent;
    sent.description = std::move(description);
    sent.carriesSerial = carriesSerial;
    sent.probe = probe;
    sent.delivery = delivery;
    sent.state = transport_.Follow(delivery);
    sent.arrived = sent.state.Arrived();
    sent_.push_back(sent);
    Confirm();
    return sent_.back();
}

void Deliveries::Confirm() {
    bool laterArrived = false;
    for (auto it = sent_.rbegin(); it != sent_.rend(); ++it) {
        it->confirmed = it->arrived && (it->delivery.jobId == 0 || laterArrived);
        laterArrived = laterArrived || (it->arrived && it->delivery.jobId != 0);
    }
}

bool Deliveries::LastNeedsConfirmation() const {
    for (auto it = sent_.rbegin(); it != sent_.rend(); ++it) {
        if (it->arrived)
            return !it->confirmed;
    }
    return false;
}

bool Deliveries::AllConfirmed() const {
    return std::all_of(sent_.begin(), sent_.end(),
                       [](const SentMessage& m) { return m.probe || m.confirmed; });
}

bool Deliveries::OnlyChecksMissing() const {
    bool checkMissing = false;
    for (const auto& sent : sent_) {
        if (!sent.arrived && !sent.probe)
            return false;
        checkMissing = checkMissing || !sent.arrived;
    }
    return checkMissing;
}

std::uint32_t Deliveries::Check() {
    if (!Following())
        return 0;
    for (auto& sent : sent_) {
        if (sent.arrived)
            continue;
        sent.state = transport_.Follow(sent.delivery);
        sent.arrived = sent.state.Arrived();
        if (sent.state.Lost()) {
            Confirm();
            return sent.state.error;
        }
    }
    Confirm();
    return 0;
}

std::uint32_t Deliveries::AwaitAll(const std::function<void()>& afterPoll) {
    if (!Following())
        return 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
    int pollMs = kFirstPollMs;
    for (;;) {
        if (const std::uint32_t error = Check(); error != 0)
            return error;
        if (std::all_of(sent_.begin(), sent_.end(), [](const SentMessage& m) { return m.arrived; }))
            return 0;
        if (std::chrono::steady_clock::now() >= deadline) {
            for (auto& sent : sent_) {
                if (sent.arrived)
                    continue;
                sent.state.error = platform::winerror::kTimeout;
                sent.state.reason = "not at the printer after " + Seconds(timeoutMs_) +
                                    (sent.state.reason.empty() ? "" : ": " + sent.state.reason);
            }
            return platform::winerror::kTimeout;
        }
        pacer_.Poll(pollMs);
        pollMs = std::min(pollMs * 2, kLastPollMs);
        if (afterPoll)
            afterPoll();
    }
}

void Deliveries::CancelWaiting() {
    using Kind = platform::JobState::Kind;
    for (const auto& sent : sent_) {
        if (!sent.arrived && sent.state.kind != Kind::Failed && sent.state.kind != Kind::Gone)
            transport_.Cancel(sent.delivery);
    }
}

const SentMessage* Deliveries::SerialMessage() const {
    for (const auto& sent : sent_) {
        if (sent.carriesSerial)
            return &sent;
    }
    return nullptr;
}

}  // namespace bpconf::op
