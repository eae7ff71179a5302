// The window's message boxes drawn by Qt: modal, owned by the active window.
#pragma once

#include "operator/WindowBoxes.h"

namespace bpconf::ui {

class QtBoxPresenter : public op::IBoxPresenter {
  public:
    op::BoxRequest::Answer Present(const op::BoxRequest& box) override;
    // From the event loop: the window is on the screen by then.
    void Soon(std::function<void()> show) override;
};

}  // namespace bpconf::ui
