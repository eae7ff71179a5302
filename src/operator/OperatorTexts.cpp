#include "operator/OperatorTexts.h"

#include "operator/LanguageTables.h"
#include "platform/AsciiText.h"
#include "platform/RecordSchema.h"
#include "serials/SerialNumber.h"

namespace bpconf::op {

namespace {

// The end of a text of a run that got no serial number.
std::string Stopped(bool chinese, bool beforeFirstByte) {
    if (beforeFirstByte)
        return chinese ? "未发送任何内容，本次更新已停止。"
                       : "Nothing was sent; the update was stopped.";
    return chinese ? "未发送序列号，本次更新已停止。"
                   : "No serial number was sent; the update was stopped.";
}

// What went wrong, without the end: one sentence of its own.
std::string ProblemSentence(bool chinese, const serials::SerialProblem& p,
                            const std::string& counterLocation, const std::string& ledgerLocation) {
    using Kind = serials::SerialProblem::Kind;
    const std::string largest = std::to_string(serials::kLargestCounter);
    switch (p.kind) {
        case Kind::OnAUnit:
            return chinese ? "生产记录 " + ledgerLocation + " 显示序列号 " + p.serial +
                                 " 已写入过一台打印机；下一个可用的序列号是 " + p.nextFree + "。"
                           : "The record " + ledgerLocation + " shows the serial number " +
                                 p.serial + " on a unit already; the next free serial number is " +
                                 p.nextFree + ".";
        case Kind::CounterBehind:
            return chinese ? "序列号计数器 " + counterLocation + " 给出的序列号 " + p.serial +
                                 " 已写入过一台打印机（计数器被调回过，生产记录 " + ledgerLocation +
                                 "）；下一个可用的序列号是 " + p.nextFree + "。"
                           : "The serial-number counter " + counterLocation + " gives " + p.serial +
                                 ", which is on a unit already (the counter was set "
                                 "back; the record " +
                                 ledgerLocation + "); the next free serial number is " +
                                 p.nextFree + ".";
        case Kind::TakenMeanwhile:
            return chinese ? "序列号 " + p.serial + " 刚被另一个工位取走；下一个可用的序列号是 " +
                                 p.nextFree + "。"
                           : "The serial number " + p.serial +
                                 " was taken by another station a moment ago; the next free "
                                 "serial number is " +
                                 p.nextFree + ".";
        case Kind::CounterUnusable:
            if (chinese) {
                return "序列号计数器 " + counterLocation + " 中" +
                       (p.stored.empty() ? std::string("没有可用的值")
                                         : "的值 " + p.stored + " 不是序列号") +
                       "；请在序列号框中输入下一个序列号。";
            }
            return "The serial-number counter " + counterLocation + " holds " +
                   (p.stored.empty() ? std::string("no usable value")
                                     : p.stored + ", which is no serial number") +
                   "; type the next number into the serial-number box.";
        case Kind::AtLimit:
            return chinese ? "序列号计数器已达到最大值 " + largest + "，无法再分配序列号。"
                           : "The serial-number counter has reached its largest value, " + largest +
                                 "; no further serial number can be given.";
        case Kind::BelowLedger:
            return chinese ? "生产记录 " + ledgerLocation + " 中已有不小于 " + p.serial +
                                 " 的本月序列号；下一个可用的序列号是 " + p.nextFree + "。"
                           : "The record " + ledgerLocation +
                                 " holds serial numbers of this month at or above " + p.serial +
                                 "; the next free serial number is " + p.nextFree + ".";
        case Kind::CounterLocked:
            return chinese ? "序列号计数器 " + counterLocation + " 正被另一个程序占用：" +
                                 p.reason + "。"
                           : "The serial-number counter " + counterLocation +
                                 " is held by another program: " + p.reason + ".";
        case Kind::CounterUnwritable:
            return chinese ? "无法保存序列号计数器 " + counterLocation + "：" + p.reason + "。"
                           : "The serial-number counter " + counterLocation +
                                 " cannot be stored: " + p.reason + ".";
        case Kind::CounterUnreadable:
            return chinese ? "无法读取序列号计数器 " + counterLocation + "：" + p.reason + "。"
                           : "The serial-number counter " + counterLocation +
                                 " cannot be read: " + p.reason + ".";
        case Kind::LedgerUnreadable:
            return chinese
                       ? "无法读取生产记录 " + ledgerLocation + "：" + p.reason + "。"
                       : "The unit record " + ledgerLocation + " cannot be read: " + p.reason + ".";
        case Kind::LedgerUnwritable:
            return chinese ? "无法写入生产记录 " + ledgerLocation + "：" + p.reason + "。"
                           : "The unit record " + ledgerLocation +
                                 " cannot be written: " + p.reason + ".";
        case Kind::SettleWaiting:
            return chinese ? "暂时无法写入生产记录 " + ledgerLocation + "：" + p.reason + "。"
                           : "The unit record " + ledgerLocation +
                                 " cannot be written now: " + p.reason + ".";
        case Kind::NotSettled:
            return chinese
                       ? "生产记录 " + ledgerLocation + " 中没有本次更新预留的序列号 " + p.serial +
                             "。"
                       : "The record " + ledgerLocation +
                             " holds no reservation of serial number " + p.serial + " by this run.";
        case Kind::None:
            break;
    }
    return std::string();
}

}  // namespace

std::string SerialProblemText(const std::string& language, const serials::SerialProblem& p,
                              const std::string& counterLocation, const std::string& ledgerLocation,
                              bool beforeFirstByte) {
    const bool chinese = IsChinese(language);
    return ProblemSentence(chinese, p, counterLocation, ledgerLocation) + (chinese ? "" : " ") +
           Stopped(chinese, beforeFirstByte);
}

std::string CounterNotSavedText(const std::string& language, const std::string& counter,
                                const serials::SerialProblem& p, const std::string& counterLocation,
                                const std::string& ledgerLocation) {
    const bool chinese = IsChinese(language);
    return (chinese ? "序列号计数器 " + counter + " 未保存："
                    : "The serial-number counter " + counter + " was not stored: ") +
           ProblemSentence(chinese, p, counterLocation, ledgerLocation);
}

std::string CounterNotStartedText(const std::string& language, const serials::SerialProblem& p,
                                  const std::string& counterLocation,
                                  const std::string& ledgerLocation) {
    const bool chinese = IsChinese(language);
    return (chinese ? "序列号计数器的初始值 0001 未能保存："
                    : "The first serial-number counter value 0001 could not be stored: ") +
           ProblemSentence(chinese, p, counterLocation, ledgerLocation);
}

std::string SerialNotSettledText(const std::string& language, const serials::SerialProblem& p,
                                 const std::string& ledgerLocation) {
    const bool chinese = IsChinese(language);
    return ProblemSentence(chinese, p, "", ledgerLocation) +
           (chinese ? "序列号 " + p.serial + " 的状态未能记为已写入，仍记为预留（视为已用）。"
                    : " The state of serial number " + p.serial +
                          " could not be recorded; it stays reserved (counted as used).");
}

std::string CounterNotANumberText(const std::string& language, const std::string& counter) {
    return IsChinese(language)
               ? "序列号框中的“" + counter + "”不是整数，未保存；计数器保持原值。"
               : "The serial-number box holds '" + counter +
                     "', which is not a whole number; it was not stored and the counter keeps "
                     "its value.";
}

std::string SerialReuseQuestion(const std::string& language, const std::string& serial,
                                const std::string& location, const std::string& nextFree) {
    return IsChinese(language)
               ? "记录显示序列号 " + serial + " 已写入过一台打印机（" + location +
                     "）。仍要把它写入这台打印机吗？选“否”：不发送任何内容，序列号框显示下一个"
                     "可用的序列号 " +
                     nextFree + "。"
               : "The record shows the serial number " + serial + " on a unit already (" +
                     location +
                     "). Stamp it on this unit as well? No: nothing is sent, and the "
                     "box shows the next free serial number, " +
                     nextFree + ".";
}

std::string SerialReuseDeclinedText(const std::string& language, const std::string& serial) {
    return IsChinese(language) ? "序列号 " + serial + " 已用过，未更新"
                               : "Serial number " + serial + " used before: not updated";
}

std::string RecordUnusableText(const std::string& language, const std::string& location,
                               const std::string& reason) {
    return IsChinese(language) ? "无法写入生产记录 " + location + "：" + reason +
                                     "。未发送任何内容，本次更新已停止。"
                               : "The unit record " + location + " cannot be written: " + reason +
                                     ". Nothing was sent; the update was stopped.";
}

std::string RecordNotWrittenText(const std::string& language, const std::string& location,
                                 const std::string& reason) {
    return IsChinese(language)
               ? "本次更新未能写入生产记录 " + location + "：" + reason
               : "This update could not be written to the unit record " + location + ": " + reason;
}

std::string LineProblemText(const std::string& language, const serials::LineProblem& p,
                            bool atStart) {
    using Kind = serials::LineProblem::Kind;
    const bool chinese = IsChinese(language);
    const std::string stopped =
        atStart ? (chinese ? "在此之前，每次更新都会在发送任何内容之前停止。"
                           : " Until then every update stops before it sends anything.")
                : (chinese ? "未发送任何内容，本次更新已停止。"
                           : " Nothing was sent; the update was stopped.");
    const std::string version = std::to_string(platform::kRecordSchemaVersion);
    switch (p.kind) {
        case Kind::NoClient:
            return (chinese ? "已指定生产线数据库（BPCONF_DATABASE_URL），但此版本没有它的客户端；"
                              "不会改用本机的序列号计数器。"
                            : "A line database is named (BPCONF_DATABASE_URL), but this build has "
                              "no client for it; the station's own counter is never used "
                              "instead.") +
                   stopped;
        case Kind::NoName:
            return (chinese ? "连接生产线数据库的工位必须有名称（BPCONF_STATION，或配置文件 [line] "
                              "段中的 station=），不会用主机名代替。"
                            : "A station on a line needs a name of its own (BPCONF_STATION, or "
                              "station= in the [line] section of a profile); it is never named "
                              "after its host.") +
                   stopped;
        case Kind::NoStationFile:
            return (chinese ? "本工位无法保存自己的记录：" + p.reason + "。"
                            : "The station cannot keep its own record: " + p.reason + ".") +
                   stopped;
        case Kind::Unreachable:
            return (chinese ? "无法连接生产线数据库 " + p.line + "：" + p.reason +
                                  "。本次记录保存在本工位自己的记录中。"
                            : "The line's database " + p.line + " does not answer: " + p.reason +
                                  ". This run's entry is kept in the station's own record.") +
                   stopped;
        case Kind::NotSetUp:
            return (chinese ? "生产线数据库 " + p.line +
                                  " 尚未为本工具建立（请运行 bpconf-cli db init）。"
                            : "The line's database " + p.line +
                                  " is not set up for this tool (run `bpconf-cli db init`).") +
                   stopped;
        case Kind::OlderSchema:
            return (chinese
                        ? "生产线数据库 " + p.line + " 的结构版本是 " + std::to_string(p.version) +
                              "，本工具需要版本 " + version + "（请运行 bpconf-cli db init）。"
                        : "The line's database " + p.line + " has schema version " +
                              std::to_string(p.version) + "; this tool needs version " + version +
                              " (run `bpconf-cli db init`).") +
                   stopped;
        case Kind::NewerSchema:
            return (chinese
                        ? "生产线数据库 " + p.line + " 的结构版本 " + std::to_string(p.version) +
                              " 比本工具的版本 " + version + " 新：请先更新本工位的 bpconf。"
                        : "The line's database " + p.line + " has schema version " +
                              std::to_string(p.version) + ", newer than this tool's " + version +
                              ": update bpconf on this station first.") +
                   stopped;
        case Kind::NameHeld:
            return (chinese
                        ? "工位名称“" + p.station + "”已由另一台机器使用（主机 " + p.holder.host +
                              "，机器标识 " + p.holder.machineId + "，自 " + p.holder.registeredAt +
                              " 起）。请换一个名称；确认那台机器不再使用这个名称后，可运行 "
                              "bpconf-cli db release-station " +
                              p.station + " 释放它。"
                        : "The station name \"" + p.station +
                              "\" is held by another machine (host " + p.holder.host +
                              ", machine " + p.holder.machineId + ", since " +
                              p.holder.registeredAt +
                              "). Choose another name; once that machine no longer uses it, "
                              "`bpconf-cli db release-station " +
                              p.station + "` frees it.") +
                   stopped;
        case Kind::BelongsToLine:
            return (chinese
                        ? "本工位属于生产线 " + p.line +
                              "，但没有给出生产线数据库地址（BPCONF_DATABASE_URL）：本机计数器会"
                              "给出生产线已用过的序列号。请重新给出地址，或运行 bpconf-cli db "
                              "leave 有意离开生产线。"
                        : "This station belongs to the line " + p.line +
                              ", but no line database is named (BPCONF_DATABASE_URL): its own "
                              "counter would give numbers the line gave already. Name the "
                              "line again, or leave it on purpose with `bpconf-cli db "
                              "leave`.") +
                   stopped;
        case Kind::WaitingForOtherLine:
            return (chinese
                        ? "本工位还有 " + std::to_string(p.waiting) + " 条记录等待上传到生产线 " +
                              p.line + "（工位名称“" + p.station +
                              "”），不能发往别的生产线或记在别的名称下。请先用那个地址和名称运行 "
                              "bpconf-cli db sync。"
                        : std::to_string(p.waiting) +
                              " entries of this station still wait for the line " + p.line +
                              " under the station name \"" + p.station +
                              "\": they cannot go to another line or under another name. Send "
                              "them first: bpconf-cli db sync with that address and name.") +
                   stopped;
        case Kind::None:
            break;
    }
    return std::string();
}

std::string LineWaitingText(const std::string& language, int waiting) {
    // Short: it follows the run's own status in a status bar of fixed width.
    return IsChinese(language) ? "（" + std::to_string(waiting) + " 条待上传到生产线）"
                               : "(line: " + std::to_string(waiting) + " waiting)";
}

std::string SettleWaitingText(const std::string& language, const std::string& serial,
                              serials::SerialState state) {
    const bool stamped = state == serials::SerialState::Stamped;
    return IsChinese(language)
               ? "生产线数据库暂时无法连接：序列号 " + serial + " 在本工位记为" +
                     (stamped ? "已写入" : "作废") + "，数据库恢复后记入生产线账本。"
               : "The line's database cannot be reached now: serial number " + serial +
                     " is kept on this station as " + (stamped ? "stamped" : "void") +
                     " and goes to the line's ledger when it is back.";
}

bool HasControlCharacter(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

std::string VisibleControls(const std::string& text) {
    std::string shown;
    for (char c : text) {
        if (HasControlCharacter(std::string(1, c)))
            shown += "<" + text::HexBytes(std::string(1, c)) + ">";
        else
            shown += c;
    }
    return shown;
}

std::string PrinterNameRefusedText(const std::string& language, const std::string& name) {
    const std::string shown = VisibleControls(name);
    return IsChinese(language)
               ? "打印机名称“" + shown + "”中含有控制字符，不能发送。本次更新已停止。"
               : "The printer name '" + shown +
                     "' holds a control character and cannot be sent. The update "
                     "was stopped.";
}

namespace {

// What became of the run's serial number, after a failure text.
std::string SerialSuffix(const std::string& language, const std::string& serial,
                         serials::SerialState state) {
    using State = serials::SerialState;
    if (serial.empty())
        return std::string();
    if (IsChinese(language)) {
        return state == State::Stamped ? "，此机序列号为 " + serial
               : state == State::Void
                   ? "，序列号 " + serial + " 未写入打印机，已作废"
                   : "，序列号 " + serial + " 可能已写入打印机，保留为已用，不再分配";
    }
    return state == State::Stamped ? "; this unit has serial number " + serial
           : state == State::Void
               ? "; serial number " + serial + " did not reach the printer and is void"
               : "; serial number " + serial +
                     " may have reached the printer: it stays reserved and is never given again";
}

}  // namespace

std::string DeliveryFailedText(const std::string& language, std::uint32_t error,
                               const std::string& serial, serials::SerialState serialState) {
    const std::string number = std::to_string(error);
    return (IsChinese(language)
                ? "更新失败：打印机未收到全部设置（error " + number + "）"
                : "Update failed: the printer did not get every setting (error " + number + ")") +
           SerialSuffix(language, serial, serialState);
}

std::string UnconfirmedText(const std::string& language, std::uint32_t error,
                            const std::string& serial, serials::SerialState serialState) {
    const std::string number = std::to_string(error);
    return (IsChinese(language)
                ? "更新未确认：无法确认最后一条设置完整到达打印机（error " + number + "）"
                : "Update not confirmed: the printer may not have got the last setting whole "
                  "(error " +
                      number + ")") +
           SerialSuffix(language, serial, serialState);
}

std::string QueueRefusedText(const std::string& language, std::uint32_t error,
                             const std::vector<platform::WaitingJob>& waiting) {
    const std::string number = std::to_string(error);
    const bool chinese = IsChinese(language);
    std::string text =
        chinese ? "更新未开始：打印机队列不能打印（error " + number + "）"
                : "Update not started: the printer queue cannot print (error " + number + ")";
    if (waiting.empty())
        return text;
    std::string jobs, ids;
    for (const auto& job : waiting) {
        // What the spooler shows of it (another user's job may show neither name nor owner).
        std::string about = job.user;
        if (job.incomplete)
            about += std::string(about.empty() ? ""
                                 : chinese     ? "，"
                                               : ", ") +
                     (chinese ? "数据未传完" : "never handed over whole");
        std::string named = job.id;
        if (!job.title.empty())
            named += chinese ? "“" + job.title + "”" : " \"" + job.title + "\"";
        if (!about.empty())
            named += chinese ? "（" + about + "）" : " (" + about + ")";
        jobs += (jobs.empty() ? "" : chinese ? "；" : "; ") + named;
        ids += " " + job.id;
    }
    return text + (chinese
                       ? "：队列中还有任务，会发到这台打印机：" + jobs + "。请先取消：cancel" + ids
                       : ": jobs still in the queue would go out to this unit: " + jobs +
                             ". Cancel them first: cancel" + ids);
}

}  // namespace bpconf::op
