// The messages of a run (or a test print) and what became of each: a job the spooler took is
// not yet a job that reached the printer, so every job is followed to its end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "operator/Pacer.h"
#include "transport/untFunction.h"

namespace bpconf::op {

// A message of a run and what became of it.
struct SentMessage {
    std::string description;  // as the decoder shows it: "STDP 28", "STSN \"2026120001\""
    Delivery delivery;
    platform::JobState state;  // the last state seen
    bool arrived = false;
    bool carriesSerial = false;  // the run's serial-number message
    bool probe = false;          // the delivery check after the last message
    // Known to be at the printer whole (see Deliveries::Confirm).
    bool confirmed = false;
};

class Deliveries {
  public:
    // timeoutMs 0: jobs are not followed (a job the spooler took counts as sent).
    Deliveries(TTransport& transport, IPacer& pacer, int timeoutMs)
        : transport_(transport), pacer_(pacer), timeoutMs_(timeoutMs) {}

    bool Following() const { return timeoutMs_ > 0; }
    void Clear() { sent_.clear(); }

    // Keeps a message handed to the transport, and looks at once whether it has arrived.
    const SentMessage& Add(std::string description, const Delivery& delivery,
                           bool carriesSerial = false, bool probe = false);

    // Whether the last message that arrived has only the spooler's word for it: a job that
    // completed says the spooler handed it to the printer's link, not that the link held to its
    // last byte. A delivery check after it settles that.
    bool LastNeedsConfirmation() const;

    // Every message is at the printer except delivery checks: a failure now is a failure to
    // confirm, not a message lost.
    bool OnlyChecksMissing() const;

    // Every message but the delivery checks is known whole at the printer.
    bool AllConfirmed() const;

    // Looks at the messages that have not arrived; the error number of the first that never
    // will (failed, stopped, gone), or 0.
    std::uint32_t Check();

    // Waits, at most the timeout, until every message has arrived; 0, or the error number of the
    // first that never will (1460 for one still waiting at the bound). afterPoll runs after each
    // short wait (a close request stops the waiting from there).
    std::uint32_t AwaitAll(const std::function<void()>& afterPoll);

    // Takes the jobs that could still go out later (waiting, or held by a stopped queue) out of
    // their queue, so they never reach the next unit unpaced.
    void CancelWaiting();

    // The message that carried the run's serial number, or nullptr.
    const SentMessage* SerialMessage() const;

    const std::vector<SentMessage>& Messages() const { return sent_; }

  private:
    // A message is confirmed when its bytes arrived where the tool wrote them (a port, a file),
    // or when a later job of the run reached the printer after it: a link cut inside a message
    // lets no later job through unless it is made again in between (a printer that reconnects
    // within the bound is not told apart; the spooler cannot see it).
    void Confirm();

    TTransport& transport_;
    IPacer& pacer_;
    int timeoutMs_;
    std::vector<SentMessage> sent_;
};

}  // namespace bpconf::op
