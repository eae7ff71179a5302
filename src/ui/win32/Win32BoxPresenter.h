// The window's message boxes on Windows: the system's own MessageBoxW, owned by the active
// window.
#pragma once

#include "operator/WindowBoxes.h"

namespace bpconf::ui {

class Win32BoxPresenter : public op::IBoxPresenter {
  public:
    op::BoxRequest::Answer Present(const op::BoxRequest& box) override;
};

}  // namespace bpconf::ui
