// The stamp table: one input, one serial number, through the window, bpconf-cli run and
// bpconf-cli frames, on both builds. The stamp is the year-month and the counter zero-filled to
// at least four digits, whatever the operator typed.
#pragma once

#include <vector>

namespace bpconf::test {

struct StampRow {
    const char* what;
    const char* stored;  // the counter before the run
    const char* typed;   // the operator's number (the box, or serial.counter); nullptr: none
    // The typed number is on a unit already, and the operator confirms it (Yes, --reuse-serial).
    bool usedBefore;
    // The serial-number message in hex; nullptr: the run sends nothing at all.
    const char* stsn;
    const char* storedAfter;  // the counter after the run
};

// The runs' month is December 2026.
inline const std::vector<StampRow>& StampRows() {
    static const std::vector<StampRow> kRows = {
        {"typed 5", "0001", "5", false, "1B 23 23 53 54 53 4E 0A 32 30 32 36 31 32 30 30 30 35",
         "0006"},
        {"typed 0005", "0001", "0005", false,
         "1B 23 23 53 54 53 4E 0A 32 30 32 36 31 32 30 30 30 35", "0006"},
        {"typed 9999", "0001", "9999", false,
         "1B 23 23 53 54 53 4E 0A 32 30 32 36 31 32 39 39 39 39", "10000"},
        {"the counter at 10000", "10000", nullptr, false,
         "1B 23 23 53 54 53 4E 0B 32 30 32 36 31 32 31 30 30 30 30", "10001"},
        {"typed nothing (an empty box)", "0001", "", false, nullptr, "0001"},
        {"the counter at 2147483647", "2147483647", nullptr, false, nullptr, "2147483647"},
        {"a confirmed reuse of 0003", "0006", "0003", true,
         "1B 23 23 53 54 53 4E 0A 32 30 32 36 31 32 30 30 30 33", "0006"},
    };
    return kRows;
}

}  // namespace bpconf::test
