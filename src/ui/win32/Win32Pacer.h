// Pacing in the Win32 window: pumping runs every pending window message (through the dialog
// manager, so Tab and Alt+letter keep working); a pause waits with the messages running, so the
// window never freezes, and ends early when the window is to close.
#pragma once

#include "operator/Pacer.h"

namespace bpconf::ui {

class Win32Pacer : public op::IPacer {
  public:
    void Pump() override;
    void Pause(int milliseconds) override;
    void Interrupt() override { interrupted_ = true; }
    void Poll(int milliseconds) override { Pause(milliseconds); }
    // The main window, whose dialog keys the pump handles (an HWND).
    void SetWindow(void* window) { window_ = window; }

  private:
    void* window_ = nullptr;
    bool interrupted_ = false;
};

// Lets every pending message of the thread run; the dialog keys of `window` (an HWND) are handled
// as in a dialog. False once WM_QUIT was seen.
bool PumpMessages(void* window);

}  // namespace bpconf::ui
