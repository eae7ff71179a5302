#include "operator/FormModel.h"

#include "operator/WindowLayout.h"

#include <algorithm>

namespace bpconf::op {

std::string FormModel::Text(Control control) const {
    const State& c = controls_[control];
    if (!c.items.empty() || c.index >= 0) {
        return c.index >= 0 && c.index < static_cast<int>(c.items.size())
                   ? c.items[static_cast<std::size_t>(c.index)]
                   : std::string();
    }
    return c.text;
}

void FormModel::SetText(Control control, const std::string& text) {
    State& c = controls_[control];
    if (!c.items.empty()) {
        // A drop-down list takes a text by selecting the item that reads so.
        auto it = std::find(c.items.begin(), c.items.end(), text);
        c.index = it == c.items.end() ? -1 : static_cast<int>(it - c.items.begin());
        return;
    }
    c.text = text;
}

void FormModel::SetChecked(Control control, bool checked) {
    // Selecting a radio button unselects the others of its group, as in a real window.
    if (checked) {
        for (const auto& group : RadioGroups()) {
            if (std::find(group.begin(), group.end(), control) == group.end())
                continue;
            for (Control other : group)
                controls_[other].checked = false;
        }
    }
    controls_[control].checked = checked;
}

void FormModel::SetItemIndex(Control control, int index) {
    State& c = controls_[control];
    c.index = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
}

int FormModel::ItemCount(Control control) const {
    return static_cast<int>(controls_[control].items.size());
}

void FormModel::SetItems(Control control, const std::vector<std::string>& items) {
    State& c = controls_[control];
    c.items = items;
    c.index = -1;
}

void FormModel::SetEnabled(Control control, bool enabled) {
    controls_[control].enabled = enabled;
}

void FormModel::SetVisible(Control control, bool visible) {
    controls_[control].visible = visible;
}

void FormModel::SetProgressRange(int minimum, int maximum, int) {
    minimum_ = minimum;
    maximum_ = maximum;
    position_ = std::clamp(position_, minimum_, maximum_);
}

void FormModel::SetProgressPosition(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
}

void FormModel::AddMemoLine(const std::string& text) {
    memo_ += text;
    memo_ += "\r\n";
}

}  // namespace bpconf::op
