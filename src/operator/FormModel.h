// A window without a toolkit: every control's state held in memory. The command line drives
// the handlers through it, and unit tests read what the handlers left in it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "operator/Form.h"

namespace bpconf::op {

class FormModel : public IForm {
  public:
    struct Control {
        std::string text;
        bool checked = false;
        std::vector<std::string> items;
        int index = -1;
        bool enabled = true;
        bool visible = true;
    };

    std::string Text(const std::string& control) const override;
    void SetText(const std::string& control, const std::string& text) override;
    bool Checked(const std::string& control) const override { return Get(control).checked; }
    void SetChecked(const std::string& control, bool checked) override;
    int ItemIndex(const std::string& control) const override { return Get(control).index; }
    void SetItemIndex(const std::string& control, int index) override;
    int ItemCount(const std::string& control) const override;
    void SetItems(const std::string& control, const std::vector<std::string>& items) override;
    bool Enabled(const std::string& control) const override { return Get(control).enabled; }
    void SetEnabled(const std::string& control, bool enabled) override;
    void SetVisible(const std::string& control, bool visible) override;
    void SetProgressRange(int minimum, int maximum, int step) override;
    int ProgressPosition() const override { return position_; }
    void SetProgressPosition(int position) override;
    platform::LocalDateTime Date() const override { return date_; }
    void SetDate(const platform::LocalDateTime& date) override { date_ = date; }
    void ClearMemo() override { memo_.clear(); }
    void AddMemoLine(const std::string& text) override;

    bool Visible(const std::string& control) const { return Get(control).visible; }
    const std::vector<std::string>& Items(const std::string& control) const {
        return Get(control).items;
    }
    const std::string& Memo() const { return memo_; }
    int ProgressMaximum() const { return maximum_; }

  private:
    const Control& Get(const std::string& control) const;

    std::map<std::string, Control> controls_;
    int minimum_ = 0, maximum_ = 100, position_ = 0;
    platform::LocalDateTime date_;
    std::string memo_;
};

}  // namespace bpconf::op
