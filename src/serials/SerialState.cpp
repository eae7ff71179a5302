#include "serials/SerialState.h"

namespace bpconf::serials {

const char* StateName(SerialState state) {
    switch (state) {
        case SerialState::Reserved:
            return "reserved";
        case SerialState::Stamped:
            return "stamped";
        case SerialState::Void:
            return "void";
    }
    return "reserved";
}

std::optional<SerialState> StateNamed(const std::string& name) {
    for (SerialState s : {SerialState::Reserved, SerialState::Stamped, SerialState::Void}) {
        if (name == StateName(s))
            return s;
    }
    return std::nullopt;
}

std::optional<SerialState> SettlementOf(bool handedOver, bool arrived) {
    if (arrived)
        return SerialState::Stamped;
    if (!handedOver)
        return SerialState::Void;
    return std::nullopt;
}

bool OnAUnit(const platform::SerialFacts& facts) {
    if (facts.recorded)
        return true;
    for (const auto& row : facts.rows) {
        // A state this version does not know is taken as on a unit: never stamped again unasked.
        if (StateNamed(row.state) != SerialState::Void)
            return true;
    }
    return false;
}

}  // namespace bpconf::serials
