// TForm1: the operator's main window. Layout and bindings only; every handler is the
// toolkit-free logic of OperatorWindow, which reads and writes this window through IForm.
#pragma once

#include <QTranslator>
#include <QWidget>
#include <array>
#include <memory>

#include "operator/Form.h"
#include "operator/OperatorWindow.h"
#include "operator/WindowLayout.h"

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

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildLayout();
    void Bind();
    // Creates a control of the design at its place, under its design name.
    template <typename T>
    T* Make(QWidget* parent, const op::ControlPlace& place);
    QWidget* Widget(op::Control control) const { return widgets_[control]; }
    template <typename T>
    T* As(op::Control control) const {
        return qobject_cast<T*>(widgets_[control]);
    }
    // The tab index of a page of PageControl1, or -1 for any other control.
    int TabIndex(op::Control control) const;
    // Qt's own texts (the file dialog, the buttons of a box) in the interface language.
    void FollowInterfaceLanguage();

    std::array<QWidget*, op::ctl::kCount> widgets_{};
    op::IPacer& pacer_;
    std::unique_ptr<op::OperatorWindow> logic_;
    QTranslator qtChinese_;
    bool qtChineseInstalled_ = false;
    bool closing_ = false;
};

}  // namespace bpconf::ui
