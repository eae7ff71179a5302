// What an update run leaves in the record: when, where, what went to which target, the serial
// number, what became of every message, the package, and how the run ended.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "operator/Deliveries.h"
#include "operator/RunEnd.h"
#include "platform/UnitRecord.h"

namespace bpconf::op {

// 32 hexadecimal digits, random: unique across stations without asking anyone.
std::string NewRunId();

// The record's words for a message: "done", "not confirmed" (handed over, not known whole),
// "failed" or "not sent", with the error.
platform::RecordedMessage RecordedMessageOf(const SentMessage& sent);

// "finished", "ended early", "closed", "delivery failed" or "not confirmed".
std::string OutcomeOf(RunEnd end, const std::vector<platform::RecordedMessage>& messages);

}  // namespace bpconf::op
