#include "operator/SerialCounter.h"

#include "operator/OperatorTexts.h"
#include "protocol/IntConv.h"
#include "serials/SerialNumber.h"
#include "transport/Errors.h"

namespace bpconf::op {

std::optional<int> SerialCounter::LoadStored() {
    std::optional<std::int32_t> counter;
    if (const serials::SerialProblem p = policy_.StartCounter(counter);
        !p && p.kind != serials::SerialProblem::Kind::CounterUnreadable) {
        boxes_.Error(CounterNotStartedText(state_.interfaceLanguage, p, book_.CounterLocation(),
                                           book_.LedgerLocation()));
    }
    return counter;
}

void SerialCounter::Show(std::optional<int> counter) {
    Fill(counter ? serials::FormatCounter(*counter) : std::string());
    form_.SetText(ctl::txtUpdateOverNum, "0");
    form_.SetDate(clock_.Now());
    UpdateYearMonthStamp(form_.Date());
}

void SerialCounter::Fill(const std::string& text) {
    form_.SetText(ctl::txtUpdateNo, text);
    filled_ = form_.Text(ctl::txtUpdateNo);
    offered_.clear();
    edited_ = false;
}

bool SerialCounter::SetByOperator() const {
    return edited_ || form_.Text(ctl::txtUpdateNo) != filled_;
}

void SerialCounter::DTPUpdateNoChange() {
    UpdateYearMonthStamp(form_.Date());
}

void SerialCounter::UpdateYearMonthStamp(const platform::LocalDateTime& date) {
    form_.SetText(ctl::lblNoYearMonth, serials::YearMonthStamp(date));
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

std::optional<std::string> SerialCounter::OperatorText() const {
    if (!SetByOperator())
        return std::nullopt;
    return form_.Text(ctl::txtUpdateNo);
}

std::optional<std::int32_t> SerialCounter::Claim() {
    const auto typed = OperatorText();
    if (!typed)
        return std::nullopt;
    // The box may have changed since the run checked it: the strict conversion's failure.
    const auto number = serials::ParseCounter(*typed);
    if (!number)
        throw NotAnIntegerError(protocol::NotAnIntegerMessage(*typed));
    return number;
}

std::string SerialCounter::StoredCounterText() {
    const platform::StoredValue stored = book_.ReadCounter();
    const auto counter = stored.kind == platform::StoredValue::Kind::Text
                             ? serials::ParseCounter(stored.text)
                             : std::nullopt;
    return counter ? serials::FormatCounter(*counter) : std::string();
}

void SerialCounter::Taken(const serials::TakenSerial& taken) {
    // The counter where it stands now: past the number, or where it was (a reuse).
    Fill(taken.nextCounter ? serials::FormatCounter(*taken.nextCounter) : StoredCounterText());
}

void SerialCounter::Declined(const std::string& nextFreeCounter) {
    if (nextFreeCounter == StoredCounterText()) {
        Fill(nextFreeCounter);
        return;
    }
    // The counter itself is behind numbers on units: the box offers the next free number for
    // the next stamp, which closing does not store.
    form_.SetText(ctl::txtUpdateNo, nextFreeCounter);
    offered_ = form_.Text(ctl::txtUpdateNo);
    edited_ = false;
}

void SerialCounter::CountUpdatedUnit() {
    const long long units = protocol::ToInt32(form_.Text(ctl::txtUpdateOverNum));
    form_.SetText(ctl::txtUpdateOverNum, std::to_string(units + 1));
}

void SerialCounter::Save() {
    const std::string box = form_.Text(ctl::txtUpdateNo);
    if (!SetByOperator() || (!edited_ && !offered_.empty() && box == offered_))
        return;
    const std::string& language = state_.interfaceLanguage;
    // An empty or non-numeric box would make the next start begin again at 0001.
    const auto number = serials::ParseCounter(box);
    if (!number) {
        boxes_.Error(CounterNotANumberText(language, box));
        return;
    }
    const serials::SerialProblem p = policy_.SetCounter(*number, form_.Text(ctl::lblNoYearMonth),
                                                        station_, "the window closed", false);
    if (!p) {
        boxes_.Error(
            CounterNotSavedText(language, box, p, book_.CounterLocation(), book_.LedgerLocation()));
        return;
    }
    Fill(box);
}

}  // namespace bpconf::op
