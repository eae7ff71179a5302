#include "operator/SerialCounter.h"

#include <cstdio>
#include <limits>

#include "operator/OperatorTexts.h"
#include "operator/RunEnd.h"
#include "platform/AsciiText.h"
#include "protocol/IntConv.h"

namespace bpconf::op {

std::optional<std::int32_t> ParseCounter(const std::string& text) {
    const auto value = protocol::ParseInteger(text, 0, std::numeric_limits<std::int32_t>::max());
    if (!value)
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::string FormatCounter(long long value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4lld", value);
    return buf;
}

std::optional<int> SerialCounter::LoadStored() {
    const platform::StoredValue stored = store_.Read();
    if (stored.kind == platform::StoredValue::Kind::Text)
        return ParseCounter(stored.text);
    if (stored.kind != platform::StoredValue::Kind::Missing)
        return std::nullopt;
    std::optional<int> counter;
    store_.Change([&counter](const platform::StoredValue& now) {
        if (now.kind == platform::StoredValue::Kind::Text) {
            counter = ParseCounter(now.text);
            return std::optional<std::string>();
        }
        if (now.kind != platform::StoredValue::Kind::Missing)
            return std::optional<std::string>();
        counter = 1;
        return std::optional<std::string>("0001");
    });
    return counter;
}

void SerialCounter::Show(std::optional<int> counter) {
    Fill(counter ? FormatCounter(*counter) : std::string());
    form_.SetText(ctl::txtUpdateOverNum, "0");
    form_.SetDate(clock_.Now());
    UpdateYearMonthStamp(form_.Date());
}

void SerialCounter::Fill(const std::string& text) {
    form_.SetText(ctl::txtUpdateNo, text);
    filled_ = form_.Text(ctl::txtUpdateNo);
    edited_ = false;
}

bool SerialCounter::SetByOperator() const {
    return edited_ || form_.Text(ctl::txtUpdateNo) != filled_;
}

void SerialCounter::DTPUpdateNoChange() {
    UpdateYearMonthStamp(form_.Date());
}

std::string YearMonthStamp(const platform::LocalDateTime& date) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d", date.year, date.month);
    return stamp;
}

void SerialCounter::UpdateYearMonthStamp(const platform::LocalDateTime& date) {
    form_.SetText(ctl::lblNoYearMonth, YearMonthStamp(date));
}

bool SerialCounter::KeyPasses(char32_t typed) {
    return (typed >= U'0' && typed <= U'9') || typed == U'\b';
}

std::string SerialCounter::FilterPasted(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    return digits;
}

std::optional<std::string> SerialCounter::OperatorCounter() const {
    if (!SetByOperator())
        return std::nullopt;
    // Take stamps the box's text as it stands (trimmed), not a zero-filled form of it.
    const std::string typed = text::Trim(form_.Text(ctl::txtUpdateNo));
    if (!ParseCounter(typed))
        return std::nullopt;
    return typed;
}

std::string SerialCounter::Take(const std::string& stamp, platform::SerialClaim& claim) {
    const std::string box = form_.Text(ctl::txtUpdateNo);
    const std::string& language = state_.interfaceLanguage;
    // The operator's number is checked before the store is touched.
    std::optional<std::int32_t> chosen;
    if (SetByOperator())
        chosen = protocol::ToInt32(box);

    std::int32_t number = 0;
    std::string serial;
    bool atLimit = false;
    const platform::CounterChange change = store_.Reserve(
        [&](const platform::StoredValue& stored) -> std::optional<std::string> {
            std::optional<std::int32_t> taken = chosen;
            if (taken) {
                serial = text::Trim(box);
            } else {
                using Kind = platform::StoredValue::Kind;
                if (stored.kind == Kind::Text) {
                    taken = ParseCounter(stored.text);
                } else if (stored.kind == Kind::Missing) {
                    // A store removed behind the window's back: go on from the last known
                    // number rather than from 0001.
                    taken = ParseCounter(box);
                }
                if (!taken) {
                    throw RunFailure{
                        RunEnd::SerialStore,
                        CounterUnusableText(
                            language, store_.Location(),
                            stored.kind == Kind::Text ? "\"" + stored.text + "\"" : std::string())};
                }
                serial = FormatCounter(*taken);
            }
            number = *taken;
            // The store cannot read back a number past the largest 32-bit one.
            if (number == std::numeric_limits<std::int32_t>::max()) {
                atLimit = true;
                return std::nullopt;
            }
            claim.serial = text::Trim(stamp) + serial;
            claim.reused = !confirmedReuse_.empty() && claim.serial == confirmedReuse_;
            return FormatCounter(number + 1LL);
        },
        claim);
    // A confirmation serves one number, once: never a later number that happens to match.
    confirmedReuse_.clear();
    if (!change.ok() || atLimit)
        claim.serial.clear();  // nothing was reserved
    if (!change.ok()) {
        throw RunFailure{RunEnd::SerialStore,
                         CounterStoreFailureText(language, change, store_.Location())};
    }
    if (atLimit)
        throw RunFailure{RunEnd::SerialStore, CounterLimitText(language)};
    Fill(FormatCounter(number + 1LL));
    return serial;
}

void SerialCounter::CountUpdatedUnit() {
    const long long units = protocol::ToInt32(form_.Text(ctl::txtUpdateOverNum));
    form_.SetText(ctl::txtUpdateOverNum, std::to_string(units + 1));
}

void SerialCounter::Save() {
    if (!SetByOperator())
        return;
    const std::string box = form_.Text(ctl::txtUpdateNo);
    // An empty or non-numeric box would make the next start begin again at 0001.
    if (!ParseCounter(box)) {
        boxes_.Error(CounterNotANumberText(state_.interfaceLanguage, box));
        return;
    }
    const platform::CounterChange change = store_.Write(box);
    if (!change.ok()) {
        boxes_.Error(CounterNotSavedText(state_.interfaceLanguage, box, change, store_.Location()));
        return;
    }
    Fill(box);
}

}  // namespace bpconf::op
