// The update run of Button3 and the package buttons Button1 and Button2.
#include <algorithm>
#include <chrono>

#include "operator/LanguageTables.h"
#include "operator/OperatorTexts.h"
#include "operator/OperatorWindow.h"
#include "protocol/Commands.h"
#include "protocol/Decoder.h"
#include "protocol/IntConv.h"
#include "protocol/SelfTestMessage.h"
#include "transport/Errors.h"

namespace bpconf::op {

namespace {

// A package above this size is no update package; it is refused before it is read.
constexpr std::uint64_t kMaxPackageBytes = 16u << 20;
constexpr int kProgressMaximum = 20;
// How often the run asks the spooler about a job it waits for: soon at first (a healthy printer
// takes a job within milliseconds), then less and less often.
constexpr int kFirstDeliveryPollMs = 2;
constexpr int kLastDeliveryPollMs = 50;

// "30 s", "2.5 s".
std::string Seconds(int milliseconds) {
    std::string text = std::to_string(milliseconds / 1000);
    if (milliseconds % 1000 != 0)
        text += "." + std::to_string(milliseconds % 1000 / 100);
    return text + " s";
}

}  // namespace

void OperatorWindow::Show(const char* chinese, const std::string& english) {
    form_.SetText(ctl::StatusPanel1, IsChinese(interfaceLanguage_) ? chinese : english);
}

void OperatorWindow::Advance() {
    form_.SetProgressPosition(form_.ProgressPosition() + 1);
}

void OperatorWindow::EndStep() {
    Advance();
    Pump();
    Pause(kStepPauseMs);
}

void OperatorWindow::Pump() {
    s_.pacer.Pump();
    if (closeRequested_)
        throw RunStopped();
}

// Within each pause the run looks at its jobs, so a job that failed or a queue that stopped
// ends the run at that point.
void OperatorWindow::Pause(int milliseconds) {
    s_.pacer.Pause(milliseconds);
    if (closeRequested_)
        throw RunStopped();
    CheckDeliveries();
}

void OperatorWindow::Send(const std::string& frame) {
    SendMessage(THfByteList::FromString(frame), kKindDrive, "");
}

// A message goes out only when the one before it has reached the printer: jobs never pile up
// in a queue, where they would go out later unpaced, to whatever unit is connected then.
void OperatorWindow::SendMessage(const THfByteList& message, const std::string& kind,
                                 const std::string& portName) {
    AwaitDeliveries();
    SentMessage sent;
    const auto decoded = protocol::Decode(message.ToString());
    sent.description = decoded.size() == 1 ? protocol::Describe(decoded[0])
                                           : std::to_string(message.Count()) + " bytes";
    sent.delivery = s_.transport.SendBytes(message, form_.Text(ctl::cmbDriver), kind, portName);
    sent.state = s_.transport.Follow(sent.delivery);
    sent.arrived = sent.state.Arrived();
    sent_.push_back(sent);
    if (!sent.delivery.handedOver && Following())
        throw DeliveryFailure{sent.state.error, true, false};
}

void OperatorWindow::CheckDeliveries() {
    if (!Following())
        return;
    for (auto& sent : sent_) {
        if (sent.arrived)
            continue;
        sent.state = s_.transport.Follow(sent.delivery);
        sent.arrived = sent.state.Arrived();
        if (sent.state.Lost())
            throw DeliveryFailure{sent.state.error, false, false};
    }
}

void OperatorWindow::AwaitDeliveries() {
    if (!Following())
        return;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(s_.jobTimeoutMs);
    int pollMs = kFirstDeliveryPollMs;
    for (;;) {
        CheckDeliveries();
        const bool waiting = std::any_of(sent_.begin(), sent_.end(),
                                         [](const SentMessage& m) { return !m.arrived; });
        if (!waiting)
            return;
        if (std::chrono::steady_clock::now() >= deadline) {
            for (auto& sent : sent_) {
                if (!sent.arrived) {
                    sent.state.error = platform::winerror::kTimeout;
                    sent.state.reason = "not at the printer after " + Seconds(s_.jobTimeoutMs) +
                                        (sent.state.reason.empty() ? "" : ": " + sent.state.reason);
                }
            }
            throw DeliveryFailure{platform::winerror::kTimeout, false, false};
        }
        s_.pacer.Poll(pollMs);
        pollMs = std::min(pollMs * 2, kLastDeliveryPollMs);
        if (closeRequested_)
            throw RunStopped();
    }
}

// Jobs that could still go out later (waiting, or held by a stopped queue) are taken out of the
// queue, so they never reach the next unit unpaced.
void OperatorWindow::CancelOutstanding() {
    using Kind = platform::JobState::Kind;
    for (const auto& sent : sent_) {
        if (!sent.arrived && sent.state.kind != Kind::Failed && sent.state.kind != Kind::Gone)
            s_.transport.Cancel(sent.delivery);
    }
}

// A stopped or paused queue, or one that refuses jobs, is told before anything is sent, so no
// serial number is used for a unit that would get nothing.
void OperatorWindow::CheckQueueBeforeRun() {
    const platform::QueueState queue = s_.transport.Queue(form_.Text(ctl::cmbDriver));
    if (!queue.Ready())
        throw DeliveryFailure{queue.error, false, true};
}

// The design trims only the control characters around the name; one inside it would go out as
// part of the name message (an ESC there starts a command of its own), so the name is refused.
void OperatorWindow::CheckPrinterName() {
    const std::string name = protocol::Trim(form_.Text(ctl::Edit1));
    if (HasControlCharacter(name))
        throw RunFailure{RunEnd::Conversion, PrinterNameRefusedText(interfaceLanguage_, name)};
}

void OperatorWindow::EndAfterDeliveryFailure(const DeliveryFailure& failure) {
    CancelOutstanding();
    if (!failure.shown)
        s_.transport.ShowDeliveryError(failure.error);
    if (failure.beforeRun) {
        form_.SetText(ctl::StatusPanel1, QueueRefusedText(interfaceLanguage_, failure.error));
        return;
    }
    bool serialArrived = false;
    for (const auto& sent : sent_) {
        if (sent.description.rfind("STSN", 0) == 0)
            serialArrived = sent.arrived;
    }
    form_.SetText(ctl::StatusPanel1, DeliveryFailedText(interfaceLanguage_, failure.error,
                                                        stampedSerial_, serialArrived));
}

bool OperatorWindow::DriverPath() const {
    return form_.Checked(ctl::rdbDriver);
}

RunEnd OperatorWindow::Button3Click() {
    if (running_)
        return RunEnd::NotStarted;
    running_ = true;
    runEnd_ = RunEnd::Normal;
    stampedSerial_.clear();
    sent_.clear();
    std::optional<std::string> failure;  // a failure nobody caught: the standard error box
    try {
        RunSteps();
    } catch (const RunStopped&) {
        runEnd_ = RunEnd::Closed;
    } catch (const RunFailure& f) {
        runEnd_ = f.end;
        s_.boxes.Error(f.text);
    } catch (const DeliveryFailure& f) {
        runEnd_ = RunEnd::Delivery;
        EndAfterDeliveryFailure(f);
    } catch (const Exception& e) {
        runEnd_ = RunEnd::Conversion;
        failure = e.Message();
    } catch (const std::exception& e) {
        runEnd_ = RunEnd::Conversion;
        failure = e.what();
    }
    running_ = false;
    // After an early end the operator can mend the value and run again.
    if (runEnd_ != RunEnd::Normal && runEnd_ != RunEnd::Closed) {
        form_.SetEnabled(ctl::Button3, true);
    }
    if (failure)
        s_.boxes.Uncaught(*failure);
    // A close asked for while the run ended (during its last box, say) is carried out now; it
    // must never be left over to stop the next run.
    if (closeRequested_) {
        closeRequested_ = false;
        if (closeWindow_)
            closeWindow_();
    }
    return runEnd_;
}

void OperatorWindow::RunSteps() {
    using namespace protocol;
    form_.SetProgressRange(0, kProgressMaximum, 1);
    form_.SetProgressPosition(1);
    Show("启动更新....", "Start the update....");
    Advance();
    form_.SetEnabled(ctl::Button3, false);
    Pump();
    Pause(kStepPauseMs);

    if (DriverPath()) {
        CheckQueueBeforeRun();
        if (form_.Checked(ctl::CheckBox5))
            CheckPrinterName();
        Send(OpeningMessage());
        Advance();
        Pump();

        Show("是否更新默认字库代码", "Whether to update the default font code");
        if (form_.Checked(ctl::CheckBox1))
            Send(BuildSLAN(form_.Text(ctl::cboLanage)));
        EndStep();

        Show("更新打印浓度", "To update the print concentration");
        if (form_.Checked(ctl::CheckBox2))
            Send(BuildSTDP(form_.Text(ctl::cboLevel)));
        EndStep();

        if (specialMode_ || productionMode_) {
            const std::string aging = form_.Text(ctl::Edit4);
            Show(("更新老化时间为：" + aging + "秒").c_str(), "Aging time:" + aging + "s");
            if (form_.Checked(ctl::CheckBox12))
                Send(BuildBDIT(aging));
            EndStep();

            const std::string lineFeed = form_.Text(ctl::ComboBox2);
            Show(("更新换行指令为：" + lineFeed).c_str(),
                 "Update the newline instruction:" + lineFeed);
            Send(BuildLFCH(form_.Checked(ctl::CheckBox9), form_.ItemIndex(ctl::ComboBox2)));
            EndStep();

            Show("更新加密模式", "The Update encryption mode");
            if (form_.Checked(ctl::CheckBox3)) {
                Show("更新加密模式为开启", "Encryption mode to open");
                Send(BuildEDCD(true));
            } else {
                Show("更新加密模式为关闭", "Encryption mode is off");
                Send(BuildEDCD(false));
            }
            EndStep();

            Show("更新加密模式下的条码标记检测模式",
                 "Updating encrypted bar code symbol detection mode under");
            if (form_.Checked(ctl::CheckBox4)) {
                Show("更新加密模式下的条码标记检测模式开启",
                     "Updating encrypted bar code symbol detection mode under");
                Send(BuildBLSP(true));
            } else {
                Show("更新加密模式下的条码标记检测模式关闭",
                     "Close the bar code symbol detection mode encryption mode");
                Send(BuildBLSP(false));
            }
            EndStep();
        }

        const std::string standby = form_.Text(ctl::Edit3);
        Show(("更新待机时间为：" + standby + "秒").c_str(), "Standby time:" + standby + "s");
        if (form_.Checked(ctl::CheckBox11))
            Send(BuildSPTI(standby));
        EndStep();

        const std::string font = form_.Text(ctl::ComboBox3);
        Show(("更新字体模式为：" + font).c_str(), "Update font mode:" + font);
        if (form_.Checked(ctl::CheckBox13))
            Send(BuildCHTY(form_.ItemIndex(ctl::ComboBox3)));
        EndStep();

        if (productionMode_ && form_.Checked(ctl::chkUpdateNo)) {
            // The number is stored as used before its job leaves: a crash can leave a gap in
            // the serial numbers, never a number on two units.
            const std::string serial = TakeSerialNumber();
            const std::string stamp = form_.Text(ctl::lblNoYearMonth);
            stampedSerial_ = Trim(stamp) + serial;
            Send(BuildSTSN(stamp, serial));
            CountUpdatedUnit();
            EndStep();
        }

        if (form_.Checked(ctl::CheckBox7)) {
            const std::string sensor = Trim(form_.Text(ctl::Edit2));
            Show(("置黑标传感器的值为:" + sensor).c_str(),
                 "The black label sensor value:" + sensor);
            Send(BuildSBCV(form_.Text(ctl::Edit2)));
            EndStep();
        }

        Show("开启强连接模式", "Open the strong connection mode");
        Frame forced;
        if (form_.Checked(ctl::CheckBox6)) {
            Show("开启强连接模式开启", "Open open strong connection mode");
            forced = BuildBTLK(true);
        } else {
            Show("开启强连接模式关闭", "Open the strong connection mode off");
            forced = BuildBTLK(false);
        }
        Advance();
        Send(forced);
        Pump();
        Pause(kStepPauseMs);
    }

    if (form_.Checked(ctl::CheckBox8)) {
        SelfTestStep();
        if (runEnd_ == RunEnd::Oversized)
            return;
    }

    if (DriverPath()) {
        if (form_.Checked(ctl::CheckBox10)) {
            const std::string rate = form_.Text(ctl::cboNewCom);
            Show(("设置波特率为：" + rate).c_str(), "New Baud rate:" + rate);
            Send(BuildSBDR(rate));
            EndStep();
        }

        std::optional<Frame> name;
        const std::string trimmedName = Trim(form_.Text(ctl::Edit1));
        if (form_.Checked(ctl::CheckBox5))
            CheckPrinterName();
        if (form_.Checked(ctl::CheckBox5) && !trimmedName.empty()) {
            Show(("设置打印机名称为：" + trimmedName).c_str(),
                 "Set the printer name:" + trimmedName);
            name = BuildBTRN(s_.toAnsi ? s_.toAnsi(trimmedName) : trimmedName);
        }
        Advance();
        if (name)
            Send(*name);
        Pump();
        Pause(kStepPauseMs);
    }

    form_.SetProgressPosition(kProgressMaximum);
    Pump();
    Pause(kFinalWaitMs);
    // Finished only when every message is at the printer.
    AwaitDeliveries();
    Show("更新结束", "End of update ");
    form_.SetEnabled(ctl::Button3, true);
}

void OperatorWindow::SelfTestStep() {
    using namespace protocol;
    Show("初使化自检测信息", "The beginning of the self inspection information");
    Pause(kStepPauseMs);
    THfByteList message = StartSelfTestMessage(
        form_.Checked(ctl::RadioButton1) ? SelfTestHeader::Old : SelfTestHeader::New);
    Show("加载自检测信息数据到缓存", "Loading data into the cache since the detection information");
    Advance();
    Pump();
    Pause(kStepPauseMs);

    // The package is read here, so one loaded during the run's earlier pumps is the one sent.
    const std::size_t n = FillSelfTestMessage(message, packageList_);
    if (n > kMaxSelfTestPayload) {
        s_.transport.ShowWarning(
            Pick(interfaceLanguage_, "更新文件有问题！！", "There is a problem updating files!!"));
        runEnd_ = RunEnd::Oversized;
        return;
    }
    Advance();
    Show("开始更新打印机自检测信息", "To start the update printer self detection information ");
    Pump();
    Pause(kStepPauseMs);

    if (DriverPath()) {
        SendMessage(message, kKindDrive, "");
    } else {
        SendMessage(message, kKindLpt, Trim(form_.Text(ctl::cmbLpt)));
    }
}

void OperatorWindow::Button1Click() {
    if (form_.ItemCount(ctl::cmbDriver) == 0) {
        s_.transport.ShowWarning(
            Pick(interfaceLanguage_, "请安排打印机驱动程序", "Please arrange the printer driver"));
        return;
    }
    if (const auto file = s_.fileDialog.OpenFile("*.bin", ".")) {
        packageList_.clear();
        form_.ClearMemo();
        auto package = std::make_unique<THfByteList>();
        package->LoadFromFile(*file, kMaxPackageBytes);
        packageList_.push_back(std::move(package));
        for (const auto& list : packageList_)
            form_.AddMemoLine(list->HexDump());
    }
    form_.SetEnabled(ctl::Button2, true);
}

void OperatorWindow::Button2Click() {
    s_.transport.ShowWarning(Pick(interfaceLanguage_,
                                  "测试所打印的内容为打印机升级后的打印自检效果",
                                  "Test print content to print a self-test result printer after "
                                  "the upgrade"));
    for (std::size_t i = 0; i < packageList_.size(); ++i) {
        const Delivery d =
            DriverPath()
                ? s_.transport.SendBytes(*packageList_[i], form_.Text(ctl::cmbDriver), kKindDrive,
                                         "")
                : s_.transport.SendBytes(*packageList_[i], form_.Text(ctl::cmbDriver), kKindLpt,
                                         protocol::Trim(form_.Text(ctl::cmbLpt)));
        // A test print the printer never got is told as well, once.
        if (d.handedOver && Following())
            AwaitTestPrint(d);
    }
}

void OperatorWindow::AwaitTestPrint(const Delivery& delivery) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(s_.jobTimeoutMs);
    int pollMs = kFirstDeliveryPollMs;
    for (;;) {
        const platform::JobState state = s_.transport.Follow(delivery);
        if (state.Arrived())
            return;
        if (state.Lost() || std::chrono::steady_clock::now() >= deadline) {
            // A job that may still go out later is taken out of the queue.
            if (state.kind != platform::JobState::Kind::Failed &&
                state.kind != platform::JobState::Kind::Gone)
                s_.transport.Cancel(delivery);
            s_.transport.ShowDeliveryError(state.Lost() ? state.error
                                                        : platform::winerror::kTimeout);
            return;
        }
        s_.pacer.Poll(pollMs);
        pollMs = std::min(pollMs * 2, kLastDeliveryPollMs);
    }
}

}  // namespace bpconf::op
