// The update run of Button3.
#include "operator/UpdateRun.h"

#include "operator/LanguageTables.h"
#include "operator/OperatorTexts.h"
#include "operator/RunRecord.h"
#include "platform/AsciiText.h"
#include "platform/Backends.h"
#include "platform/UtcTime.h"
#include "protocol/Commands.h"
#include "protocol/Decoder.h"
#include "protocol/SelfTestMessage.h"
#include "transport/Errors.h"

namespace bpconf::op {

namespace {

constexpr int kProgressMaximum = 20;

}  // namespace

RunEnd UpdateRun::Run() {
    stampedSerial_.clear();
    deliveries_.Clear();
    runId_ = NewRunId();
    startedMs_ = s_.clock.UtcMilliseconds();
    claim_ = platform::SerialClaim();
    claim_.runId = runId_;
    claim_.station = s_.station;
    detail_.clear();
    recordFailed_ = false;
    RunEnd end = RunEnd::Normal;
    std::optional<std::string> uncaught;  // a failure nobody caught: the standard error box
    try {
        end = Steps();
    } catch (const RunStopped&) {
        end = RunEnd::Closed;
        // Nothing of a stopped run may go out later, unpaced, to the next unit.
        deliveries_.CancelWaiting();
    } catch (const RunFailure& f) {
        end = f.end;
        detail_ = f.text;
        s_.boxes.Error(f.text);
    } catch (const DeliveryFailure& f) {
        end = RunEnd::Delivery;
        EndAfterDeliveryFailure(f);
        detail_ = form_.Text(ctl::StatusPanel1);
    } catch (const Exception& e) {
        end = RunEnd::Conversion;
        uncaught = e.Message();
    } catch (const std::exception& e) {
        end = RunEnd::Conversion;
        uncaught = e.what();
    }
    if (uncaught)
        detail_ = *uncaught;
    // After an early end the operator can mend the value and run again.
    if (end != RunEnd::Normal && end != RunEnd::Closed)
        form_.SetEnabled(ctl::Button3, true);
    if (uncaught)
        s_.boxes.Uncaught(*uncaught);
    serial_.EndConfirmation();
    SettleSerial();
    Record(end);
    return end;
}

bool UpdateRun::CheckSerialReuse() {
    if (s_.record == nullptr || !state_.productionMode || !form_.Checked(ctl::chkUpdateNo))
        return true;
    const auto typed = serial_.OperatorCounter();
    if (!typed)
        return true;  // no number the operator typed (a box that is none fails at its step)
    const std::string serial = text::Trim(form_.Text(ctl::lblNoYearMonth)) + *typed;
    const std::string& language = state_.interfaceLanguage;
    bool used = false;
    if (const platform::RecordResult r = s_.record->SerialUsed(serial, used); !r) {
        throw RunFailure{RunEnd::SerialStore,
                         RecordUnreadableText(language, s_.record->Location(), r.reason)};
    }
    if (!used)
        return true;
    if (!s_.boxes.Ask(SerialReuseQuestion(language, serial, s_.record->Location()))) {
        detail_ = SerialReuseDeclinedText(language, serial);
        form_.SetText(ctl::StatusPanel1, detail_);
        return false;
    }
    serial_.ConfirmReuse(serial);
    return true;
}

void UpdateRun::SettleSerial() {
    if (claim_.serial.empty())
        return;
    const SentMessage* stamp = deliveries_.Last("STSN");
    if (stamp != nullptr && stamp->arrived) {
        s_.counter.Settle(claim_, platform::ClaimOutcome::Stamped);
    } else if (stamp == nullptr || !stamp->delivery.handedOver) {
        s_.counter.Settle(claim_, platform::ClaimOutcome::Void);
    }
    // A settlement that fails leaves the number reserved: counted as used, never given again.
}

std::string UpdateRun::TargetText() const {
    if (!DriverPath())
        return "port " + text::Trim(form_.Text(ctl::cmbLpt));
    const std::string printer = form_.Text(ctl::cmbDriver);
    if (printer == platform::kCapturePrinterName && !s_.captureFolder.empty())
        return "capture " + s_.captureFolder;
    return "printer " + printer;
}

void UpdateRun::Record(RunEnd end) {
    if (s_.record == nullptr)
        return;
    platform::UnitEntry e;
    e.runId = runId_;
    e.started = platform::FormatUtc(startedMs_);
    e.ended = platform::FormatUtc(s_.clock.UtcMilliseconds());
    e.station = s_.station;
    e.language = state_.interfaceLanguage;
    e.target = TargetText();
    // A number whose message never left is on no unit (it was voided): not named.
    if (const SentMessage* stamp = deliveries_.Last("STSN"); stamp && stamp->delivery.handedOver)
        e.serial = stampedSerial_;
    e.reusedSerial = claim_.reused && !e.serial.empty();
    for (const auto& sent : deliveries_.Messages())
        e.messages.push_back(RecordedMessageOf(sent));
    if (!package_.List().empty()) {
        e.packageName = package_.FileName();
        e.packageSize = package_.Size();
        e.packageSha256 = package_.Sha256();
    }
    e.outcome = OutcomeOf(end, e.messages);
    e.detail = detail_;
    e.version = s_.version;
    if (const platform::RecordResult r = s_.record->Write(e); !r) {
        recordFailed_ = true;
        s_.boxes.Error(
            RecordNotWrittenText(state_.interfaceLanguage, s_.record->Location(), r.reason));
    }
}

void UpdateRun::Show(const std::string& chinese, const std::string& english) {
    form_.SetText(ctl::StatusPanel1, IsChinese(state_.interfaceLanguage) ? chinese : english);
}

void UpdateRun::Advance() {
    form_.SetProgressPosition(form_.ProgressPosition() + 1);
}

void UpdateRun::EndStep() {
    Advance();
    Pump();
    Pause(kStepPauseMs);
}

void UpdateRun::StopIfClosing() {
    if (state_.closeRequested)
        throw RunStopped();
}

void UpdateRun::Pump() {
    s_.pacer.Pump();
    StopIfClosing();
}

// Within each pause the run looks at its jobs, so a job that failed or a queue that stopped ends
// the run at that point.
void UpdateRun::Pause(int milliseconds) {
    s_.pacer.Pause(milliseconds);
    StopIfClosing();
    if (const std::uint32_t error = deliveries_.Check(); error != 0)
        throw DeliveryFailure{error, false, false};
}

void UpdateRun::Send(const std::string& frame) {
    SendMessage(THfByteList::FromString(frame), kKindDrive, "");
}

// Jobs never pile up in a queue, where they would go out later unpaced, to whatever unit is
// connected then.
void UpdateRun::SendMessage(const THfByteList& message, const std::string& kind,
                            const std::string& portName) {
    AwaitDeliveries();
    const auto decoded = protocol::Decode(message.ToString());
    const Delivery d = s_.transport.SendBytes(message, form_.Text(ctl::cmbDriver), kind, portName);
    const SentMessage& sent =
        deliveries_.Add(decoded.size() == 1 ? protocol::Describe(decoded[0])
                                            : std::to_string(message.Count()) + " bytes",
                        d);
    if (!d.handedOver && deliveries_.Following())
        throw DeliveryFailure{sent.state.error, true, false};
}

void UpdateRun::AwaitDeliveries() {
    if (const std::uint32_t error = deliveries_.AwaitAll([this] { StopIfClosing(); }); error != 0)
        throw DeliveryFailure{error, false, false};
}

void UpdateRun::CheckQueueBeforeRun() {
    const platform::QueueState queue = s_.transport.Queue(form_.Text(ctl::cmbDriver));
    if (!queue.Ready())
        throw DeliveryFailure{queue.error, false, true};
}

void UpdateRun::CheckPrinterName() {
    const std::string name = text::Trim(form_.Text(ctl::Edit1));
    if (HasControlCharacter(name))
        throw RunFailure{RunEnd::Conversion,
                         PrinterNameRefusedText(state_.interfaceLanguage, name)};
}

// One box, once; the failure text names a serial number taken in the run, used either way; no
// job is left waiting.
void UpdateRun::EndAfterDeliveryFailure(const DeliveryFailure& failure) {
    deliveries_.CancelWaiting();
    if (!failure.shown)
        s_.transport.ShowDeliveryError(failure.error);
    const std::string& language = state_.interfaceLanguage;
    form_.SetText(ctl::StatusPanel1,
                  failure.beforeRun ? QueueRefusedText(language, failure.error)
                                    : DeliveryFailedText(language, failure.error, stampedSerial_,
                                                         deliveries_.Arrived("STSN")));
}

RunEnd UpdateRun::Steps() {
    using namespace protocol;
    form_.SetProgressRange(0, kProgressMaximum, 1);
    form_.SetProgressPosition(1);
    Show("启动更新....", "Start the update....");
    Advance();
    form_.SetEnabled(ctl::Button3, false);
    Pump();
    Pause(kStepPauseMs);

    if (DriverPath()) {
        if (!CheckSerialReuse())
            return RunEnd::ReuseDeclined;
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

        if (state_.specialMode || state_.productionMode) {
            const std::string aging = form_.Text(ctl::Edit4);
            Show("更新老化时间为：" + aging + "秒", "Aging time:" + aging + "s");
            if (form_.Checked(ctl::CheckBox12))
                Send(BuildBDIT(aging));
            EndStep();

            const std::string lineFeed = form_.Text(ctl::ComboBox2);
            Show("更新换行指令为：" + lineFeed, "Update the newline instruction:" + lineFeed);
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
        Show("更新待机时间为：" + standby + "秒", "Standby time:" + standby + "s");
        if (form_.Checked(ctl::CheckBox11))
            Send(BuildSPTI(standby));
        EndStep();

        const std::string font = form_.Text(ctl::ComboBox3);
        Show("更新字体模式为：" + font, "Update font mode:" + font);
        if (form_.Checked(ctl::CheckBox13))
            Send(BuildCHTY(form_.ItemIndex(ctl::ComboBox3)));
        EndStep();

        if (state_.productionMode && form_.Checked(ctl::chkUpdateNo)) {
            // The number is stored as used before its job leaves: a crash can leave a gap in
            // the serial numbers, never a number on two units.
            const std::string stamp = form_.Text(ctl::lblNoYearMonth);
            const std::string serial = serial_.Take(stamp, claim_);
            stampedSerial_ = text::Trim(stamp) + serial;
            Send(BuildSTSN(stamp, serial));
            serial_.CountUpdatedUnit();
            EndStep();
        }

        if (form_.Checked(ctl::CheckBox7)) {
            const std::string sensor = text::Trim(form_.Text(ctl::Edit2));
            Show("置黑标传感器的值为:" + sensor, "The black label sensor value:" + sensor);
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

    if (form_.Checked(ctl::CheckBox8) && !SelfTestStep())
        return RunEnd::Oversized;

    if (DriverPath()) {
        if (form_.Checked(ctl::CheckBox10)) {
            const std::string rate = form_.Text(ctl::cboNewCom);
            Show("设置波特率为：" + rate, "New Baud rate:" + rate);
            Send(BuildSBDR(rate));
            EndStep();
        }

        std::optional<Frame> name;
        const std::string trimmedName = text::Trim(form_.Text(ctl::Edit1));
        if (form_.Checked(ctl::CheckBox5))
            CheckPrinterName();
        if (form_.Checked(ctl::CheckBox5) && !trimmedName.empty()) {
            Show("设置打印机名称为：" + trimmedName, "Set the printer name:" + trimmedName);
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
    return RunEnd::Normal;
}

bool UpdateRun::SelfTestStep() {
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
    const std::size_t n = FillSelfTestMessage(message, package_.List());
    if (n > kMaxSelfTestPayload) {
        detail_ = Pick(state_.interfaceLanguage, "更新文件有问题！！",
                       "There is a problem updating files!!");
        s_.transport.ShowWarning(detail_);
        return false;
    }
    Advance();
    Show("开始更新打印机自检测信息", "To start the update printer self detection information ");
    Pump();
    Pause(kStepPauseMs);

    if (DriverPath()) {
        SendMessage(message, kKindDrive, "");
    } else {
        SendMessage(message, kKindLpt, text::Trim(form_.Text(ctl::cmbLpt)));
    }
    return true;
}

}  // namespace bpconf::op
