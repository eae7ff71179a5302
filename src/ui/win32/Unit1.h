// TForm1 on Windows: the operator's main window as a native Win32 window, with the standard
// controls the design names, over the very same logic as the Qt window. Layout and bindings
// only: every handler is OperatorWindow's. The Windows API stays inside the .cpp files, so this
// header (and the tests that use it) need none of it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "operator/Form.h"
#include "operator/OperatorWindow.h"
#include "operator/Services.h"

namespace bpconf::ui {

class TForm1 : public op::IForm {
  public:
    // Creates the window hidden (the application window carries the application title on the
    // taskbar) and runs window creation.
    explicit TForm1(op::Services services);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    void Show();
    bool IsVisible() const;
    // The close box, Alt+F4, Button4: the window closes (at once, or when its run has stopped).
    void Close();
    op::OperatorWindow& Logic();

    // The native handles, for the message loop and the test driver (HWND values).
    void* Handle() const;
    void* ControlHandle(op::Control control) const;

    // IForm
    std::string Text(op::Control control) const override;
    void SetText(op::Control control, const std::string& text) override;
    bool Checked(op::Control control) const override;
    void SetChecked(op::Control control, bool checked) override;
    int ItemIndex(op::Control control) const override;
    void SetItemIndex(op::Control control, int index) override;
    int ItemCount(op::Control control) const override;
    void SetItems(op::Control control, const std::vector<std::string>& items) override;
    bool Enabled(op::Control control) const override;
    void SetEnabled(op::Control control, bool enabled) override;
    bool Visible(op::Control control) const override;
    void SetVisible(op::Control control, bool visible) override;
    void SetProgressRange(int minimum, int maximum, int step) override;
    int ProgressPosition() const override;
    void SetProgressPosition(int position) override;
    platform::LocalDateTime Date() const override;
    void SetDate(const platform::LocalDateTime& date) override;
    void ClearMemo() override;
    void AddMemoLine(const std::string& text) override;
    std::string MemoText() const override;

    struct Impl;

  private:
    friend int RunMessageLoop(TForm1& form);
    std::unique_ptr<Impl> impl_;
};

// Runs the window system's event loop until the main window is gone; the pacer of a run keeps
// messages running too.
int RunMessageLoop(TForm1& form);

}  // namespace bpconf::ui
