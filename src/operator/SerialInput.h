// The operator's hand in a run's serial number: the number set for the next stamp (typed into
// the window's box, or serial.counter on the command line), what is shown once a number was
// taken, and the count of updated units.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "serials/SerialPolicy.h"

namespace bpconf::op {

class ISerialInput {
  public:
    virtual ~ISerialInput() = default;
    // The text the operator set for the next stamp and no stamp has used yet; nothing: the
    // counter's number comes next.
    virtual std::optional<std::string> OperatorText() const = 0;
    // Takes the operator's number for one stamp, once (called under the book's lock). Raises
    // the conversion failure for a text that is no number.
    virtual std::optional<std::int32_t> Claim() = 0;
    // A number was taken for a unit.
    virtual void Taken(const serials::TakenSerial& taken) = 0;
    // The operator would not stamp a used number again: the next free number's counter text is
    // offered instead.
    virtual void Declined(const std::string& nextFreeCounter) = 0;
    virtual void CountUpdatedUnit() = 0;
};

}  // namespace bpconf::op
