#include "operator/WindowBoxes.h"

namespace bpconf::op {

namespace {

BoxSpec Box(const char* caption, const std::string& text, BoxSpec::Icon icon) {
    BoxSpec box;
    box.caption = caption;
    box.text = text;
    box.icon = icon;
    return box;
}

}  // namespace

BoxSpec WarningBox(const std::string& text) {
    return Box(platform::kWarningCaption, text, BoxSpec::Icon::Warning);
}

BoxSpec ErrorBox(const std::string& text) {
    return Box(platform::kErrorCaption, text, BoxSpec::Icon::Error);
}

BoxSpec PlainBox(const std::string& text) {
    return Box(platform::kApplicationTitle, text, BoxSpec::Icon::None);
}

BoxSpec UncaughtBox(const std::string& text) {
    return Box(platform::kApplicationTitle, text + ".", BoxSpec::Icon::Error);
}

BoxSpec QuestionBox(const std::string& text) {
    BoxSpec box = Box(platform::kApplicationTitle, text, BoxSpec::Icon::Question);
    box.buttons = BoxSpec::Buttons::YesNo;
    // Enter, or a key pressed by accident, must never stamp or send.
    box.defaultAnswer = BoxSpec::Answer::No;
    return box;
}

bool WindowBoxes::Ask(const std::string& text) {
    return presenter_.Present(QuestionBox(text)) == BoxSpec::Answer::Yes;
}

void WindowBoxes::Show(const BoxSpec& box) {
    if (holding_)
        held_.push_back(box);
    else
        presenter_.Present(box);
}

void WindowBoxes::Release() {
    holding_ = false;
    std::vector<BoxSpec> held = std::move(held_);
    held_.clear();
    if (held.empty())
        return;
    presenter_.Soon([this, held] {
        for (const auto& box : held)
            presenter_.Present(box);
    });
}

}  // namespace bpconf::op
