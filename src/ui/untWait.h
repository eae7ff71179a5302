// TfrmWait: the small modal dialog "请稍候..." that closes by itself one timer period after it is
// shown (result OK), or at once when the operator cancels (result Cancel).
#pragma once

#include <QDialog>

class QTimer;

namespace bpconf::ui {

class TfrmWait : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;

    explicit TfrmWait(QWidget* parent = nullptr);
    QTimer* Timer1() const { return timer_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void Timer1Timer();
    void BitBtn1Click();

    void Finish(int result);

    QTimer* timer_;
    bool finishing_ = false;
};

}  // namespace bpconf::ui
