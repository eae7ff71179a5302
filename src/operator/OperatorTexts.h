// Texts of the tool's own (not of the window's design) that the operator reads, each in the two
// interface languages.
#pragma once

#include <cstdint>
#include <string>

#include "platform/CounterStore.h"

namespace bpconf::op {

// The serial-number step could not take a number from the counter store: nothing was sent.
std::string CounterStoreFailureText(const std::string& interfaceLanguage,
                                    const platform::CounterChange& change,
                                    const std::string& location);

// The store holds no usable counter (the value is damaged, not a number, or gone while the box is
// empty); the operator types the next number into the box. `value` is the stored text in quotes,
// or "" for a value that is no text at all.
std::string CounterUnusableText(const std::string& interfaceLanguage, const std::string& location,
                                const std::string& value);

// The counter holds the largest number the store can read back.
std::string CounterLimitText(const std::string& interfaceLanguage);

// Closing: the operator's counter could not be stored.
std::string CounterNotSavedText(const std::string& interfaceLanguage, const std::string& counter,
                                const platform::CounterChange& change, const std::string& location);

// Closing: the operator's counter box holds no whole number, so it is not stored.
std::string CounterNotANumberText(const std::string& interfaceLanguage, const std::string& counter);

// A byte below 0x20 or 0x7F (DEL) inside the text.
bool HasControlCharacter(const std::string& text);

// The text with each control character shown as <1B>, so that quoting it never sends an escape
// sequence to a terminal or cuts a message short.
std::string VisibleControls(const std::string& text);

// The printer name holds a control character: it is not sent. The character is shown as <1B>.
std::string PrinterNameRefusedText(const std::string& interfaceLanguage, const std::string& name);

// The status text of a run that ended because a message did not reach the printer. A serial
// number taken in the run is named: it is used either way, so the operator can mark the unit.
std::string DeliveryFailedText(const std::string& interfaceLanguage, std::uint32_t error,
                               const std::string& serial, bool serialArrived);

// The status text of a run refused before anything was sent: the queue cannot print.
std::string QueueRefusedText(const std::string& interfaceLanguage, std::uint32_t error);

// The question before a serial number the record shows on a unit already is stamped again.
std::string SerialReuseQuestion(const std::string& interfaceLanguage, const std::string& serial,
                                const std::string& location);
// The status text after the operator answered No: nothing was sent.
std::string SerialReuseDeclinedText(const std::string& interfaceLanguage,
                                    const std::string& serial);
// The record cannot tell whether the operator's serial number was used: the run stops.
std::string RecordUnreadableText(const std::string& interfaceLanguage, const std::string& location,
                                 const std::string& reason);
// The run's entry could not be written to the record.
std::string RecordNotWrittenText(const std::string& interfaceLanguage, const std::string& location,
                                 const std::string& reason);
// A line database is named, but this build cannot use it.
std::string LineDatabaseIgnoredText(const std::string& interfaceLanguage);

}  // namespace bpconf::op
