// TForm1: the operator's main window. Layout and bindings only; every handler is the
// toolkit-free logic of OperatorWindow, which reads and writes this window through IForm.
#pragma once

#include <QWidget>
#include <memory>

#include "operator/Form.h"
#include "operator/OperatorWindow.h"

class QEventLoop;

namespace bpconf::ui {

// Pacing in the window: pumping runs pending events; a pause waits with the event loop running,
// so the window never freezes, and ends early when the window is to close.
class QtPacer : public op::IPacer {
  public:
    void Pump() override;
    void Pause(int milliseconds) override;
    void Interrupt() override;

  private:
    QEventLoop* loop_ = nullptr;
};

class TForm1 : public QWidget, public op::IForm {
    Q_OBJECT
  public:
    explicit TForm1(op::Services services, QWidget* parent = nullptr);
    ~TForm1() override;

    op::OperatorWindow& Logic() { return *logic_; }

    // IForm
    std::string Text(const std::string& control) const override;
    void SetText(const std::string& control, const std::string& text) override;
    bool Checked(const std::string& control) const override;
    void SetChecked(const std::string& control, bool checked) override;
    int ItemIndex(const std::string& control) const override;
    void SetItemIndex(const std::string& control, int index) override;
    int ItemCount(const std::string& control) const override;
    void SetItems(const std::string& control, const std::vector<std::string>& items) override;
    bool Enabled(const std::string& control) const override;
    void SetEnabled(const std::string& control, bool enabled) override;
    void SetVisible(const std::string& control, bool visible) override;
    void SetProgressRange(int minimum, int maximum, int step) override;
    int ProgressPosition() const override;
    void SetProgressPosition(int position) override;
    platform::LocalDateTime Date() const override;
    void SetDate(const platform::LocalDateTime& date) override;
    void ClearMemo() override;
    void AddMemoLine(const std::string& text) override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildLayout();
    void Bind();
    QWidget* Control(const std::string& name) const;

    op::IPacer& pacer_;
    std::unique_ptr<op::OperatorWindow> logic_;
    bool closing_ = false;
};

}  // namespace bpconf::ui
