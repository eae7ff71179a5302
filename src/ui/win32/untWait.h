// TfrmWait on Windows: the small modal dialog "请稍候..." that closes by itself one timer period
// after it is shown (result OK), or at once when the operator cancels (result Cancel).
#pragma once

#include <memory>

namespace bpconf::ui {

class TfrmWait {
  public:
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;

    // Created hidden, owned by the window (an HWND).
    explicit TfrmWait(void* owner);
    ~TfrmWait();
    TfrmWait(const TfrmWait&) = delete;
    TfrmWait& operator=(const TfrmWait&) = delete;

    // Shows the dialog modally until the timer fires or the operator cancels; the result.
    int ShowModal();
    void* Handle() const;
    void* CancelButton() const;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace bpconf::ui
