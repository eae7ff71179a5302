#include "operator/FormModel.h"

#include <algorithm>

namespace bpconf::op {

const FormModel::Control& FormModel::Get(const std::string& control) const {
    static const Control kAbsent;
    auto it = controls_.find(control);
    return it == controls_.end() ? kAbsent : it->second;
}

std::string FormModel::Text(const std::string& control) const {
    const Control& c = Get(control);
    if (!c.items.empty() || c.index >= 0) {
        return c.index >= 0 && c.index < static_cast<int>(c.items.size())
                   ? c.items[static_cast<std::size_t>(c.index)]
                   : std::string();
    }
    return c.text;
}

void FormModel::SetText(const std::string& control, const std::string& text) {
    Control& c = controls_[control];
    if (!c.items.empty()) {
        // A drop-down list takes a text by selecting the item that reads so.
        auto it = std::find(c.items.begin(), c.items.end(), text);
        c.index = it == c.items.end() ? -1 : static_cast<int>(it - c.items.begin());
        return;
    }
    c.text = text;
}

void FormModel::SetChecked(const std::string& control, bool checked) {
    controls_[control].checked = checked;
}

void FormModel::SetItemIndex(const std::string& control, int index) {
    Control& c = controls_[control];
    c.index = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
}

int FormModel::ItemCount(const std::string& control) const {
    return static_cast<int>(Get(control).items.size());
}

void FormModel::SetItems(const std::string& control, const std::vector<std::string>& items) {
    Control& c = controls_[control];
    c.items = items;
    c.index = -1;
}

void FormModel::SetEnabled(const std::string& control, bool enabled) {
    controls_[control].enabled = enabled;
}

void FormModel::SetVisible(const std::string& control, bool visible) {
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
