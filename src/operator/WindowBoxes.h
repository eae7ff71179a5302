// The message boxes of both windows, written once: the caption, icon, buttons and default button
// of every kind of box, and the boxes held while the window is being created (so the window is
// on the screen first and owns them). A window gives only the drawing of one box.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace bpconf::op {

struct BoxRequest {
    enum class Icon { None, Warning, Error, Question };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };
    std::string caption;
    std::string text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    // The button Enter presses: a question that could stamp or send defaults to No.
    Answer defaultAnswer = Answer::Ok;
};

// The box of each kind as every window shows it.
BoxRequest WarningBox(const std::string& text);
BoxRequest ErrorBox(const std::string& text);
BoxRequest PlainBox(const std::string& text);
BoxRequest UncaughtBox(const std::string& text);
BoxRequest QuestionBox(const std::string& text);

// Draws one modal box, owned by the active window, and returns the button pressed.
class IBoxPresenter {
  public:
    virtual ~IBoxPresenter() = default;
    virtual BoxRequest::Answer Present(const BoxRequest& box) = 0;
    // Runs show once the window's event loop runs (held boxes are shown so).
    virtual void Soon(std::function<void()> show) { show(); }
};

class WindowBoxes : public platform::IMessageBoxes {
  public:
    explicit WindowBoxes(IBoxPresenter& presenter) : presenter_(presenter) {}

    void Warning(const std::string& text) override { Show(WarningBox(text)); }
    void Error(const std::string& text) override { Show(ErrorBox(text)); }
    void Plain(const std::string& text) override { Show(PlainBox(text)); }
    void Uncaught(const std::string& text) override { Show(UncaughtBox(text)); }
    // Never held: the answer is needed now.
    bool Ask(const std::string& text) override;

    // Boxes from now on wait for Release.
    void Hold() { holding_ = true; }
    // Shows the held boxes, in order, once the event loop runs.
    void Release();

  private:
    void Show(const BoxRequest& box);

    IBoxPresenter& presenter_;
    bool holding_ = false;
    std::vector<BoxRequest> held_;
};

}  // namespace bpconf::op
