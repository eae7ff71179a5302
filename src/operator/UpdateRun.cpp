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
#include "protocol/IntConv.h"
#include "protocol/SelfTestMessage.h"
#include "serials/SerialNumber.h"
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
    serial_ = serials::TakenSerial();
    confirmedReuse_.clear();
    detail_.clear();
    refusedSerial_.clear();
    recordFailed_ = false;
    lineWaiting_ = 0;
    lineProblem_ = serials::LineProblem::Kind::None;
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
        end = f.unconfirmed ? RunEnd::Unconfirmed : RunEnd::Delivery;
        EndAfterDeliveryFailure(f);
        detail_ = view_.Status();
    } catch (const Exception& e) {
        end = RunEnd::Conversion;
        uncaught = e.Message();
    } catch (const std::exception& e) {
        end = RunEnd::Conversion;
        uncaught = e.what();
    }
    if (uncaught)
        detail_ = *uncaught;
    ShowIfNothingSent(end);
    // After an early end the operator can mend the value and run again.
    if (end != RunEnd::Normal && end != RunEnd::Closed)
        view_.EnableStart(true);
    if (uncaught)
        s_.boxes.Uncaught(*uncaught);
    SettleSerial();
    Record(end);
    return end;
}

void UpdateRun::ShowIfNothingSent(RunEnd end) {
    // An early end before the first byte: the bar goes back to its start and the status says so
    // (a declined reuse and a queue that cannot print have said why).
    if (end == RunEnd::Normal || end == RunEnd::Closed || end == RunEnd::Unconfirmed ||
        !deliveries_.Messages().empty()) {
        return;
    }
    view_.SetProgress(0);
    if (end != RunEnd::ReuseDeclined && end != RunEnd::Delivery)
        Show("更新未开始：未发送任何内容", "Update not started: nothing was sent");
}

void UpdateRun::WarnOversized() {
    detail_ = Pick(Language(), "更新文件有问题！！", "There is a problem updating files!!");
    s_.transport.ShowWarning(detail_);
}

bool UpdateRun::SerialStepRuns() const {
    return state_.productionMode && settings_.Ticked(Setting::SerialNumber);
}

RunEnd UpdateRun::CheckBeforeFirstByte() {
    // The line first: the database answers, its schema is ours, the station holds its name;
    // what waited on the station goes to the line now.
    if (s_.line != nullptr) {
        if (const serials::LineProblem p = s_.line->Check(); !p) {
            lineProblem_ = p.kind;
            throw RunFailure{RunEnd::Line, LineProblemText(Language(), p)};
        }
    }
    CheckValues();
    if (settings_.Ticked(Setting::SelfTest) &&
        protocol::PayloadLength(package_.List()) > protocol::kMaxSelfTestPayload) {
        WarnOversized();
        return RunEnd::Oversized;
    }
    if (s_.record != nullptr) {
        if (const platform::RecordResult r = s_.record->Probe(); !r) {
            throw RunFailure{RunEnd::Record,
                             RecordUnusableText(Language(), s_.record->Location(), r.reason)};
        }
    }
    if (settings_.DriverPath() && SerialStepRuns()) {
        if (const RunEnd end = CheckSerial(); end != RunEnd::Normal)
            return end;
    }
    if (settings_.DriverPath())
        CheckQueueBeforeRun();
    return RunEnd::Normal;
}

void UpdateRun::CheckValues() {
    using namespace protocol;
    if (!settings_.DriverPath())
        return;
    if (settings_.Ticked(Setting::CodePage))
        BuildSLAN(settings_.Text(Setting::CodePage));
    if ((state_.specialMode || state_.productionMode) && settings_.Ticked(Setting::AgingTime))
        BuildBDIT(settings_.Text(Setting::AgingTime));
    if (settings_.Ticked(Setting::StandbyTime))
        BuildSPTI(settings_.Text(Setting::StandbyTime));
    if (SerialStepRuns()) {
        if (const auto typed = serialInput_.OperatorText(); typed && !serials::ParseCounter(*typed))
            throw NotAnIntegerError(NotAnIntegerMessage(*typed));
    }
    if (settings_.Ticked(Setting::PrinterName)) {
        CheckPrinterName();
        const std::string name = text::Trim(settings_.Text(Setting::PrinterName));
        BuildBTRN(s_.toAnsi ? s_.toAnsi(name) : name);
    }
}

RunEnd UpdateRun::CheckSerial() {
    const std::string stamp = settings_.SerialStamp();
    std::optional<std::int32_t> number;
    if (const auto typed = serialInput_.OperatorText())
        number = serials::ParseCounter(*typed);
    // Allowed beforehand (--reuse-serial): the operator's number may be on a unit already.
    if (s_.reuse == Services::Reuse::Yes && number)
        confirmedReuse_ = serials::SerialText(text::Trim(stamp), *number);
    serials::SerialPlan plan = policy_.Plan(stamp, number, confirmedReuse_);
    if (plan.problem.kind == serials::SerialProblem::Kind::OnAUnit) {
        refusedSerial_ = plan.serial;
        const bool ask = s_.reuse == Services::Reuse::Ask;
        if (!ask ||
            !s_.boxes.Ask(SerialReuseQuestion(Language(), plan.serial, s_.serials.LedgerLocation(),
                                              plan.problem.nextFree))) {
            const std::string declined = SerialReuseDeclinedText(Language(), plan.serial);
            view_.ShowStatus(declined);
            if (!ask) {
                throw RunFailure{
                    RunEnd::ReuseDeclined,
                    SerialProblemText(Language(), plan.problem, s_.serials.CounterLocation(),
                                      s_.serials.LedgerLocation(), true)};
            }
            detail_ = declined;
            serialInput_.Declined(plan.problem.nextFree.substr(text::Trim(stamp).size()));
            return RunEnd::ReuseDeclined;
        }
        refusedSerial_.clear();
        confirmedReuse_ = plan.serial;
        plan = policy_.Plan(stamp, number, confirmedReuse_);
    }
    if (!plan.problem) {
        throw RunFailure{RunEnd::SerialStore,
                         SerialProblemText(Language(), plan.problem, s_.serials.CounterLocation(),
                                           s_.serials.LedgerLocation(), true)};
    }
    return RunEnd::Normal;
}

void UpdateRun::SerialStep() {
    // The number is reserved and the counter moved before its message leaves: a crash can
    // leave a gap in the serial numbers, never a number on two units.
    serials::TakeRequest request;
    request.stamp = settings_.SerialStamp();
    request.claimOperatorNumber = [this] { return serialInput_.Claim(); };
    request.confirmedReuse = confirmedReuse_;
    request.runId = runId_;
    request.station = s_.station;
    const serials::SerialProblem problem = policy_.Take(request, serial_);
    if (!problem) {
        // Only the operator's own number can be stamped again on purpose (--reuse-serial).
        if (problem.kind == serials::SerialProblem::Kind::OnAUnit)
            refusedSerial_ = problem.serial;
        throw RunFailure{RunEnd::SerialStore,
                         SerialProblemText(Language(), problem, s_.serials.CounterLocation(),
                                           s_.serials.LedgerLocation(), false)};
    }
    serialInput_.Taken(serial_);
    stampedSerial_ = serial_.serial;
    Send(protocol::BuildSTSN(request.stamp, serial_.counterText), true);
    serialInput_.CountUpdatedUnit();
    EndStep();
}

std::optional<serials::SerialState> UpdateRun::Settlement() const {
    const SentMessage* stamp = deliveries_.SerialMessage();
    // Stamped only when its message is known whole at the printer.
    return serials::SettlementOf(stamp != nullptr && stamp->delivery.MayHaveLeft(),
                                 stamp != nullptr && stamp->confirmed);
}

void UpdateRun::SettleSerial() {
    if (stampedSerial_.empty())
        return;
    const auto state = Settlement();
    if (!state)
        return;  // handed over, never confirmed: it stays reserved, counted as used
    if (const serials::SerialProblem p = policy_.Settle(serial_, *state); !p) {
        if (p.kind == serials::SerialProblem::Kind::SettleWaiting) {
            // Kept on the station: the ledger will say what the operator reads.
            const std::string text = SettleWaitingText(Language(), p.serial, *state);
            detail_ += (detail_.empty() ? "" : " ") + text;
            view_.ShowStatus(view_.Status() + (IsChinese(Language()) ? "" : " ") + text);
            return;
        }
        const std::string text = SerialNotSettledText(Language(), p, s_.serials.LedgerLocation());
        detail_ += (detail_.empty() ? "" : " ") + text;
        s_.boxes.Error(text);
    }
}

std::string UpdateRun::TargetText() const {
    if (!settings_.DriverPath())
        return "port " + settings_.PortName();
    const std::string printer = settings_.PrinterName();
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
    if (const SentMessage* stamp = deliveries_.SerialMessage();
        stamp && stamp->delivery.MayHaveLeft())
        e.serial = stampedSerial_;
    e.reusedSerial = serial_.reused && !e.serial.empty();
    for (const auto& sent : deliveries_.Messages())
        e.messages.push_back(RecordedMessageOf(sent));
    if (!package_.Empty()) {
        e.packageName = package_.FileName();
        e.packageSize = package_.Size();
        e.packageSha256 = package_.Sha256();
    }
    e.outcome = OutcomeOf(end, e.messages);
    e.detail = detail_;
    e.version = s_.version;
    const platform::RecordResult r = s_.line != nullptr ? s_.line->Write(e) : s_.record->Write(e);
    if (s_.line != nullptr && (lineWaiting_ = s_.line->Waiting()) > 0) {
        // Kept on the station, waiting for the line: the operator knows how much.
        view_.ShowStatus(view_.Status() + (IsChinese(Language()) ? "" : " ") +
                         LineWaitingText(Language(), lineWaiting_));
    }
    if (!r) {
        recordFailed_ = true;
        // A record found unusable before the first byte was told already; a line refused is
        // not the record (an entry said to be kept on the station, and kept nowhere, is told).
        if (end != RunEnd::Record &&
            !(end == RunEnd::Line && lineProblem_ == serials::LineProblem::Kind::NoStationFile))
            s_.boxes.Error(RecordNotWrittenText(Language(), s_.record->Location(), r.reason));
    }
}

void UpdateRun::Show(const std::string& chinese, const std::string& english) {
    view_.ShowStatus(IsChinese(Language()) ? chinese : english);
}

void UpdateRun::Advance() {
    view_.SetProgress(view_.Progress() + 1);
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
        throw FailureOf(error);
}

DeliveryFailure UpdateRun::FailureOf(std::uint32_t error, bool unconfirmed) const {
    DeliveryFailure f{error, false, false};
    f.unconfirmed = unconfirmed || deliveries_.OnlyChecksMissing();
    return f;
}

void UpdateRun::Send(const std::string& frame, bool carriesSerial) {
    SendMessage(THfByteList::FromString(frame), kKindDrive, "", carriesSerial);
}

// Jobs never pile up in a queue, where they would go out later unpaced, to whatever unit is
// connected then.
void UpdateRun::SendMessage(const THfByteList& message, const std::string& kind,
                            const std::string& portName, bool carriesSerial) {
    AwaitDeliveries();
    const auto decoded = protocol::Decode(message.ToString());
    const Delivery d = s_.transport.SendBytes(message, settings_.PrinterName(), kind, portName);
    const SentMessage& sent =
        deliveries_.Add(decoded.size() == 1 ? protocol::Describe(decoded[0])
                                            : std::to_string(message.Count()) + " bytes",
                        d, carriesSerial);
    if (!d.handedOver && deliveries_.Following())
        throw DeliveryFailure{sent.state.error, true, false};
}

void UpdateRun::AwaitDeliveries() {
    if (const std::uint32_t error = deliveries_.AwaitAll([this] { StopIfClosing(); }); error != 0)
        throw FailureOf(error);
}

// A job the spooler reports completed was handed to the printer's link; whether the link held to
// the message's last byte only a later job can show. The check is one NUL byte, which the printer
// ignores, sent after the design's last step; a printer whose link dropped inside the message
// does not take it.
void UpdateRun::ConfirmLastMessage() {
    AwaitDeliveries();
    if (!deliveries_.Following() || !deliveries_.LastNeedsConfirmation())
        return;
    const Delivery d = s_.transport.SendString(std::string(protocol::kProbeBytes),
                                               settings_.PrinterName(), kKindDrive, "");
    const SentMessage& sent = deliveries_.Add("PROBE", d, false, true);
    if (!d.handedOver) {
        DeliveryFailure f{sent.state.error, true, false};
        f.unconfirmed = true;
        throw f;
    }
}

void UpdateRun::CheckQueueBeforeRun() {
    const platform::QueueState queue = s_.transport.Queue(settings_.PrinterName());
    if (!queue.Ready()) {
        DeliveryFailure f{queue.error, false, true};
        f.waiting = queue.waiting;
        throw f;
    }
}

void UpdateRun::CheckPrinterName() {
    const std::string name = text::Trim(settings_.Text(Setting::PrinterName));
    if (HasControlCharacter(name))
        throw RunFailure{RunEnd::Conversion, PrinterNameRefusedText(Language(), name)};
}

// One box, once; the failure text names a serial number taken in the run, used either way; no
// job is left waiting.
void UpdateRun::EndAfterDeliveryFailure(const DeliveryFailure& failure) {
    deliveries_.CancelWaiting();
    if (!failure.shown)
        s_.transport.ShowDeliveryError(failure.error);
    // What the ledger will say of the number: the text and the ledger agree.
    const serials::SerialState serial = Settlement().value_or(serials::SerialState::Reserved);
    view_.ShowStatus(failure.beforeRun
                         ? QueueRefusedText(Language(), failure.error, failure.waiting)
                     : failure.unconfirmed
                         ? UnconfirmedText(Language(), failure.error, stampedSerial_, serial)
                         : DeliveryFailedText(Language(), failure.error, stampedSerial_, serial));
}

RunEnd UpdateRun::Steps() {
    using namespace protocol;
    view_.SetProgressRange(0, kProgressMaximum);
    view_.SetProgress(1);
    Show("启动更新....", "Start the update....");
    Advance();
    view_.EnableStart(false);
    Pump();
    Pause(kStepPauseMs);

    if (const RunEnd end = CheckBeforeFirstByte(); end != RunEnd::Normal)
        return end;

    if (settings_.DriverPath()) {
        Send(OpeningMessage());
        Advance();
        Pump();

        Show("是否更新默认字库代码", "Whether to update the default font code");
        if (settings_.Ticked(Setting::CodePage))
            Send(BuildSLAN(settings_.Text(Setting::CodePage)));
        EndStep();

        Show("更新打印浓度", "To update the print concentration");
        if (settings_.Ticked(Setting::Density))
            Send(BuildSTDP(settings_.Text(Setting::Density)));
        EndStep();

        if (state_.specialMode || state_.productionMode) {
            const std::string aging = settings_.Text(Setting::AgingTime);
            Show("更新老化时间为：" + aging + "秒", "Aging time:" + aging + "s");
            if (settings_.Ticked(Setting::AgingTime))
                Send(BuildBDIT(aging));
            EndStep();

            const std::string lineFeed = settings_.Text(Setting::LineFeed);
            Show("更新换行指令为：" + lineFeed, "Update the newline instruction:" + lineFeed);
            Send(BuildLFCH(settings_.Ticked(Setting::LineFeed), settings_.Item(Setting::LineFeed)));
            EndStep();

            Show("更新加密模式", "The Update encryption mode");
            if (settings_.Ticked(Setting::Encryption)) {
                Show("更新加密模式为开启", "Encryption mode to open");
                Send(BuildEDCD(true));
            } else {
                Show("更新加密模式为关闭", "Encryption mode is off");
                Send(BuildEDCD(false));
            }
            EndStep();

            Show("更新加密模式下的条码标记检测模式",
                 "Updating encrypted bar code symbol detection mode under");
            if (settings_.Ticked(Setting::BlackMark)) {
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

        const std::string standby = settings_.Text(Setting::StandbyTime);
        Show("更新待机时间为：" + standby + "秒", "Standby time:" + standby + "s");
        if (settings_.Ticked(Setting::StandbyTime))
            Send(BuildSPTI(standby));
        EndStep();

        const std::string font = settings_.Text(Setting::FontType);
        Show("更新字体模式为：" + font, "Update font mode:" + font);
        if (settings_.Ticked(Setting::FontType))
            Send(BuildCHTY(settings_.Item(Setting::FontType)));
        EndStep();

        if (SerialStepRuns())
            SerialStep();

        if (settings_.Ticked(Setting::SensorValue)) {
            const std::string sensor = text::Trim(settings_.Text(Setting::SensorValue));
            Show("置黑标传感器的值为:" + sensor, "The black label sensor value:" + sensor);
            Send(BuildSBCV(settings_.Text(Setting::SensorValue)));
            EndStep();
        }

        Show("开启强连接模式", "Open the strong connection mode");
        Frame forced;
        if (settings_.Ticked(Setting::ForcedConnection)) {
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

    if (settings_.Ticked(Setting::SelfTest) && !SelfTestStep())
        return RunEnd::Oversized;

    if (settings_.DriverPath()) {
        if (settings_.Ticked(Setting::BaudRate)) {
            const std::string rate = settings_.Text(Setting::BaudRate);
            Show("设置波特率为：" + rate, "New Baud rate:" + rate);
            Send(BuildSBDR(rate));
            EndStep();
        }

        std::optional<Frame> name;
        const std::string trimmedName = text::Trim(settings_.Text(Setting::PrinterName));
        if (settings_.Ticked(Setting::PrinterName))
            CheckPrinterName();
        if (settings_.Ticked(Setting::PrinterName) && !trimmedName.empty()) {
            Show("设置打印机名称为：" + trimmedName, "Set the printer name:" + trimmedName);
            name = BuildBTRN(s_.toAnsi ? s_.toAnsi(trimmedName) : trimmedName);
        }
        Advance();
        if (name)
            Send(*name);
        Pump();
        Pause(kStepPauseMs);
    }

    view_.SetProgress(kProgressMaximum);
    Pump();
    Pause(kFinalWaitMs);
    // After the final wait, so that a printer that restarts its link to take a new name or baud
    // rate has done so.
    ConfirmLastMessage();
    // Finished only when every message is known whole at the printer.
    AwaitDeliveries();
    if (deliveries_.Following() && !deliveries_.AllConfirmed())
        throw FailureOf(platform::winerror::kTimeout, true);
    Show("更新结束", "End of update ");
    view_.EnableStart(true);
    return RunEnd::Normal;
}

bool UpdateRun::SelfTestStep() {
    using namespace protocol;
    Show("初使化自检测信息", "The beginning of the self inspection information");
    Pause(kStepPauseMs);
    THfByteList message = StartSelfTestMessage(settings_.OldSelfTestHeader() ? SelfTestHeader::Old
                                                                             : SelfTestHeader::New);
    Show("加载自检测信息数据到缓存", "Loading data into the cache since the detection information");
    Advance();
    Pump();
    Pause(kStepPauseMs);

    // The package is read here, so one loaded during the run's earlier pumps is the one sent.
    const std::size_t n = FillSelfTestMessage(message, package_.List());
    if (n > kMaxSelfTestPayload) {
        WarnOversized();
        return false;
    }
    Advance();
    Show("开始更新打印机自检测信息", "To start the update printer self detection information ");
    Pump();
    Pause(kStepPauseMs);

    if (settings_.DriverPath()) {
        SendMessage(message, kKindDrive, "");
    } else {
        SendMessage(message, kKindLpt, settings_.PortName());
    }
    return true;
}

}  // namespace bpconf::op
