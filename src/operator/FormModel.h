// A window without a toolkit: every control's state held in memory. It is the settings model of
// the command line (a profile fills it, the run reads it) and the window of unit tests.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "operator/Form.h"

namespace bpconf::op {

class FormModel : public IForm {
  public:
    std::string Text(Control control) const override;
    void SetText(Control control, const std::string& text) override;
    bool Checked(Control control) const override { return controls_[control].checked; }
    void SetChecked(Control control, bool checked) override;
    int ItemIndex(Control control) const override { return controls_[control].index; }
    void SetItemIndex(Control control, int index) override;
    int ItemCount(Control control) const override;
    void SetItems(Control control, const std::vector<std::string>& items) override;
    bool Enabled(Control control) const override { return controls_[control].enabled; }
    void SetEnabled(Control control, bool enabled) override;
    bool Visible(Control control) const override { return controls_[control].visible; }
    void SetVisible(Control control, bool visible) override;
    void SetProgressRange(int minimum, int maximum, int step) override;
    int ProgressPosition() const override { return position_; }
    void SetProgressPosition(int position) override;
    platform::LocalDateTime Date() const override { return date_; }
    void SetDate(const platform::LocalDateTime& date) override { date_ = date; }
    void ClearMemo() override { memo_.clear(); }
    void AddMemoLine(const std::string& text) override;
    std::string MemoText() const override { return memo_; }

    const std::vector<std::string>& Items(Control control) const {
        return controls_[control].items;
    }
    int ProgressMaximum() const { return maximum_; }

  private:
    struct State {
        std::string text;
        bool checked = false;
        std::vector<std::string> items;
        int index = -1;
        bool enabled = true;
        bool visible = true;
    };

    std::array<State, ctl::kCount> controls_;
    int minimum_ = 0, maximum_ = 100, position_ = 0;
    platform::LocalDateTime date_;
    std::string memo_;
};

}  // namespace bpconf::op
