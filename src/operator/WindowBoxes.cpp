#include "operator/WindowBoxes.h"

namespace bpconf::op {

namespace {

BoxRequest Box(const char* caption, const std::string& text, BoxRequest::Icon icon) {
    BoxRequest box;
    box.caption = caption;
    box.text = text;
    box.icon = icon;
    return box;
}

}  // namespace

BoxRequest WarningBox(const std::string& text) {
    return Box(platform::kWarningCaption, text, BoxRequest::Icon::Warning);
}

BoxRequest ErrorBox(const std::string& text) {
    return Box(platform::kErrorCaption, text, BoxRequest::Icon::Error);
}

BoxRequest PlainBox(const std::string& text) {
    return Box(platform::kApplicationTitle, text, BoxRequest::Icon::None);
}

BoxRequest UncaughtBox(const std::string& text) {
    return Box(platform::kApplicationTitle, text + ".", BoxRequest::Icon::Error);
}

BoxRequest QuestionBox(const std::string& text) {
    BoxRequest box = Box(platform::kApplicationTitle, text, BoxRequest::Icon::Question);
    box.buttons = BoxRequest::Buttons::YesNo;
    // Enter, or a key pressed by accident, must never stamp or send.
    box.defaultAnswer = BoxRequest::Answer::No;
    return box;
}

bool WindowBoxes::Ask(const std::string& text) {
    return presenter_.Present(QuestionBox(text)) == BoxRequest::Answer::Yes;
}

void WindowBoxes::Show(const BoxRequest& box) {
    if (holding_)
        held_.push_back(box);
    else
        presenter_.Present(box);
}

void WindowBoxes::Release() {
    holding_ = false;
    std::vector<BoxRequest> held = std::move(held_);
    held_.clear();
    if (held.empty())
        return;
    presenter_.Soon([this, held] {
        for (const auto& box : held)
            presenter_.Present(box);
    });
}

}  // namespace bpconf::op
