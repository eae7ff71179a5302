// The pacing of an update run: letting pending window messages run, and the fixed pauses that
// are the printer's only pacing.
#pragma once

#include <chrono>
#include <thread>

namespace bpconf::op {

inline constexpr int kStepPauseMs = 500;
inline constexpr int kFinalWaitMs = 5000;

class IPacer {
  public:
    virtual ~IPacer() = default;
    // Lets every pending window message run, then returns.
    virtual void Pump() = 0;
    // Waits the given time (the window keeps its messages running where it can).
    virtual void Pause(int milliseconds) = 0;
    // Ends a pause under way early (the window is closing); later pauses are not affected.
    virtual void Interrupt() {}
    // A short wait while the run looks at its jobs; not one of the run's pauses. The window
    // keeps its messages running.
    virtual void Poll(int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        Pump();
    }
};

// No pacing at all: for printer emulators and dry runs, never for a real printer.
class NoPacing : public IPacer {
  public:
    void Pump() override {}
    void Pause(int) override {}
};

}  // namespace bpconf::op
