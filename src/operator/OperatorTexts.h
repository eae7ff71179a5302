// Texts of the tool's own (not of the window's design) that the operator reads, each in the two
// interface languages.
#pragma once

#include <string>

#include "platform/CounterStore.h"

namespace bpconf::op {

// The serial-number step could not take a number from the counter store: nothing was sent.
std::string CounterStoreFailureText(const std::string& interfaceLanguage,
                                    const platform::CounterChange& change,
                                    const std::string& location);

// The counter holds the largest number the store can read back.
std::string CounterLimitText(const std::string& interfaceLanguage);

// Closing: the operator's counter could not be stored.
std::string CounterNotSavedText(const std::string& interfaceLanguage, const std::string& counter,
                                const platform::CounterChange& change, const std::string& location);

// Closing: the operator's counter box holds no whole number, so it is not stored.
std::string CounterNotANumberText(const std::string& interfaceLanguage, const std::string& counter);

}  // namespace bpconf::op
