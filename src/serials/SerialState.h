// The states of a serial number in the ledger. A number is reserved when a run takes it, stamped
// when its message reached the printer, void when its message never left the tool; a number
// handed over and never confirmed stays reserved, and counts as on a unit.
#pragma once

#include <optional>
#include <string>

#include "platform/SerialBook.h"

namespace bpconf::serials {

enum class SerialState { Reserved, Stamped, Void };

// The ledger's word for a state: "reserved", "stamped", "void".
const char* StateName(SerialState state);
std::optional<SerialState> StateNamed(const std::string& name);

// What a taken number settles to, from what became of the one message that carried it: stamped
// when it reached the printer, void when it never left the tool; nothing (it stays reserved)
// when it was handed over and never confirmed.
std::optional<SerialState> SettlementOf(bool handedOver, bool arrived);

// Whether the ledger and the record show the number on a unit: a row that is not void (reserved
// counts: its message may have arrived), or an entry that names it.
bool OnAUnit(const platform::SerialFacts& facts);

}  // namespace bpconf::serials
