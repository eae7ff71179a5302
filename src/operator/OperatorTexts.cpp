#include "operator/OperatorTexts.h"

#include <limits>

#include "platform/AsciiText.h"

#include "operator/LanguageTables.h"

namespace bpconf::op {

std::string CounterStoreFailureText(const std::string& language,
                                    const platform::CounterChange& change,
                                    const std::string& location) {
    using Failure = platform::CounterChange::Failure;
    const bool chinese = IsChinese(language);
    std::string what;
    switch (change.failure) {
        case Failure::Locked:
            what = chinese ? "序列号计数器 " + location + " 正被另一个程序占用：" + change.reason
                           : "The serial-number counter " + location +
                                 " is held by another program: " + change.reason;
            break;
        case Failure::Unwritable:
            what = chinese ? "无法保存序列号计数器 " + location + "：" + change.reason
                           : "The serial-number counter " + location +
                                 " cannot be stored: " + change.reason;
            break;
        case Failure::Unreadable:
        case Failure::None:
            what = chinese ? "无法读取序列号计数器 " + location + "：" + change.reason
                           : "The serial-number counter " + location +
                                 " cannot be read: " + change.reason;
            break;
    }
    return what + (chinese ? "。未发送序列号，本次更新已停止。"
                           : ". No serial number was sent; the update was stopped.");
}

std::string CounterUnusableText(const std::string& language, const std::string& location,
                                const std::string& value) {
    if (IsChinese(language)) {
        return "序列号计数器 " + location + " 中" +
               (value.empty() ? std::string("没有可用的值") : "的值 " + value + " 不是序列号") +
               "；请在序列号框中输入下一个序列号。未发送序列号，本次更新已停止。";
    }
    return "The serial-number counter " + location + " holds " +
           (value.empty() ? std::string("no usable value")
                          : value + ", which is no serial number") +
           "; type the next number into the serial-number box. No serial number was sent; the "
           "update was stopped.";
}

std::string CounterLimitText(const std::string& language) {
    const std::string largest = std::to_string(std::numeric_limits<std::int32_t>::max());
    return IsChinese(language)
               ? "序列号计数器已达到最大值 " + largest + "，无法再分配序列号。本次更新已停止。"
               : "The serial-number counter has reached its largest value, " + largest +
                     "; no further serial number can be given. The update was stopped.";
}

std::string CounterNotSavedText(const std::string& language, const std::string& counter,
                                const platform::CounterChange& change,
                                const std::string& location) {
    return IsChinese(language)
               ? "序列号计数器 " + counter + " 未能保存到 " + location + "：" + change.reason
               : "The serial-number counter " + counter + " could not be stored in " + location +
                     ": " + change.reason;
}

std::string CounterNotANumberText(const std::string& language, const std::string& counter) {
    return IsChinese(language)
               ? "序列号框中的“" + counter + "”不是整数，未保存；计数器保持原值。"
               : "The serial-number box holds '" + counter +
                     "', which is not a whole number; it was not stored and the counter keeps "
                     "its value.";
}

std::string SerialReuseQuestion(const std::string& language, const std::string& serial,
                                const std::string& location) {
    return IsChinese(language)
               ? "记录显示序列号 " + serial + " 已写入过一台打印机（" + location +
                     "）。仍要把它写入这台打印机吗？"
               : "The record shows the serial number " + serial + " on a unit already (" +
                     location + "). Stamp it on this unit as well?";
}

std::string SerialReuseDeclinedText(const std::string& language, const std::string& serial) {
    return IsChinese(language) ? "序列号 " + serial + " 已用过，未更新"
                               : "Serial number " + serial + " used before: not updated";
}

std::string RecordUnreadableText(const std::string& language, const std::string& location,
                                 const std::string& reason) {
    return IsChinese(language)
               ? "无法读取生产记录 " + location + "：" + reason +
                     "。无法确认序列号是否已用过，本次更新已停止。"
               : "The unit record " + location + " cannot be read: " + reason +
                     ". Whether the serial number was used before cannot be told; the update "
                     "was stopped.";
}

std::string RecordNotWrittenText(const std::string& language, const std::string& location,
                                 const std::string& reason) {
    return IsChinese(language)
               ? "本次更新未能写入生产记录 " + location + "：" + reason
               : "This update could not be written to the unit record " + location + ": " + reason;
}

std::string LineDatabaseIgnoredText(const std::string& language) {
    return IsChinese(language)
               ? "已设置生产线数据库（BPCONF_DATABASE_URL），但此 Windows 版本还不能使用它；"
                 "序列号计数器和生产记录仍保存在本机。"
               : "A line database is set (BPCONF_DATABASE_URL), but this Windows build cannot "
                 "use it yet; the serial counter and the record stay on this station.";
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

std::string DeliveryFailedText(const std::string& language, std::uint32_t error,
                               const std::string& serial, bool serialArrived) {
    const std::string number = std::to_string(error);
    if (IsChinese(language)) {
        std::string text = "更新失败：打印机未收到全部设置（error " + number + "）";
        if (!serial.empty())
            text += serialArrived ? "，此机序列号为 " + serial
                                  : "，序列号 " + serial + " 未写入打印机，已作废";
        return text;
    }
    std::string text =
        "Update failed: the printer did not get every setting (error " + number + ")";
    if (!serial.empty())
        text += serialArrived
                    ? "; this unit has serial number " + serial
                    : "; serial number " + serial + " did not reach the printer and is void";
    return text;
}

std::string QueueRefusedText(const std::string& language, std::uint32_t error) {
    const std::string number = std::to_string(error);
    return IsChinese(language)
               ? "更新未开始：打印机队列不能打印（error " + number + "）"
               : "Update not started: the printer queue cannot print (error " + number + ")";
}

}  // namespace bpconf::op
