// What an update run shows while it goes: the progress, the status text, and whether it can be
// started again. The window shows them in its controls; the command line prints each status
// text as a line with the progress.
#pragma once

#include <string>

#include "operator/Form.h"

namespace bpconf::op {

class IRunView {
  public:
    virtual ~IRunView() = default;
    virtual void SetProgressRange(int minimum, int maximum) = 0;
    virtual int Progress() const = 0;
    virtual void SetProgress(int position) = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual std::string Status() const = 0;
    // "开始更新" (Button3) usable or not.
    virtual void EnableStart(bool enabled) = 0;
};

// The window's progress bar, status panel and start button.
class FormRunView : public IRunView {
  public:
    explicit FormRunView(IForm& form) : form_(form) {}
    void SetProgressRange(int minimum, int maximum) override {
        form_.SetProgressRange(minimum, maximum, 1);
    }
    int Progress() const override { return form_.ProgressPosition(); }
    void SetProgress(int position) override { form_.SetProgressPosition(position); }
    void ShowStatus(const std::string& text) override { form_.SetText(ctl::StatusPanel1, text); }
    std::string Status() const override { return form_.Text(ctl::StatusPanel1); }
    void EnableStart(bool enabled) override { form_.SetEnabled(ctl::Button3, enabled); }

  private:
    IForm& form_;
};

}  // namespace bpconf::op
