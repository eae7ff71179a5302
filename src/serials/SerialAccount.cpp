#include "serials/SerialAccount.h"

#include <algorithm>
#include <map>
#include <set>

#include "serials/SerialNumber.h"
#include "serials/SerialState.h"

namespace bpconf::serials {

namespace {

using Standing = SerialAccountLine::Standing;

// The setting of the counter that passed over n: from below it to above it.
std::string PassedOverBy(std::int64_t n, const std::vector<platform::CounterSetting>& settings) {
    for (auto it = settings.rbegin(); it != settings.rend(); ++it) {
        const auto from = ParseCounter(it->from);
        const auto to = ParseCounter(it->to);
        if (to && *to > n && (!from || *from <= n)) {
            return "the counter was set " +
                   (from ? "from " + FormatCounter(*from) + " " : std::string()) + "to " +
                   FormatCounter(*to) + " (station " + it->station + ", " + it->reason + ")";
        }
    }
    return "";
}

Standing StandingOf(const SerialAccountLine& line) {
    if (line.units.size() >= 2) {
        // Every unit but one was confirmed as a reuse, whatever order they came in (a reuse may
        // have a clock behind the original's, or the original be known from the ledger alone).
        const auto unconfirmed = std::count_if(line.units.begin(), line.units.end(),
                                               [](const auto& u) { return !u.reused; });
        return unconfirmed > 1 ? Standing::Duplicate : Standing::ReuseConfirmed;
    }
    bool reserved = false, stamped = false;
    for (const auto& row : line.rows) {
        const auto state = StateNamed(row.state);
        stamped = stamped || state == SerialState::Stamped;
        // A state this version does not know counts as reserved: it may be on a unit.
        reserved = reserved || (state != SerialState::Stamped && state != SerialState::Void);
    }
    if (reserved && !stamped)
        return Standing::Reserved;
    if (!line.units.empty())
        return Standing::OnOneUnit;
    return line.rows.empty() ? Standing::NeverTaken : Standing::Void;
}

}  // namespace

int SerialAccount::Count(Standing standing) const {
    return static_cast<int>(std::count_if(
        lines.begin(), lines.end(), [&](const auto& line) { return line.standing == standing; }));
}

SerialAccount AccountFor(const std::string& stamp, const std::vector<platform::UnitEntry>& entries,
                         const std::vector<platform::LedgerEntry>& rows,
                         const std::vector<platform::CounterSetting>& settings) {
    std::map<std::int64_t, SerialAccountLine> seen;
    // Entries name a serial number only when its message may have left the tool: each is a unit.
    for (const auto& e : entries) {
        const auto n = CounterOf(e.serial, stamp);
        if (!n || e.serial.empty())
            continue;
        auto& line = seen[*n];
        line.units.push_back({e.runId, e.station, e.started, e.outcome, e.reusedSerial, true});
    }
    for (const auto& row : rows) {
        const auto n = CounterOf(row.serial, stamp);
        if (!n)
            continue;
        auto& line = seen[*n];
        line.rows.push_back(row);
        // A row that is not void, of a run that left no entry (killed, or its entry still
        // waits on its station): its number may be on that run's unit.
        const bool inRecord = std::any_of(line.units.begin(), line.units.end(),
                                          [&](const auto& u) { return u.runId == row.runId; });
        if (!inRecord && StateNamed(row.state) != SerialState::Void)
            line.units.push_back({row.runId, row.station, "", "", row.reused, false});
    }
    SerialAccount account;
    account.stamp = stamp;
    const std::int64_t highest = seen.empty() ? 0 : seen.rbegin()->first;
    for (std::int64_t n = 1; n <= highest; ++n) {
        SerialAccountLine line;
        if (auto it = seen.find(n); it != seen.end())
            line = std::move(it->second);
        line.counter = n;
        line.serial = SerialText(stamp, n);
        // In the order they were stamped, as far as the record tells.
        std::stable_sort(line.units.begin(), line.units.end(), [](const auto& a, const auto& b) {
            return a.inRecord && b.inRecord ? a.started < b.started : a.inRecord > b.inRecord;
        });
        line.standing = StandingOf(line);
        if (line.standing == Standing::NeverTaken)
            line.why = PassedOverBy(n, settings);
        account.lines.push_back(std::move(line));
    }
    return account;
}

std::string UnitText(const UnitOfSerial& u) {
    if (!u.inRecord)
        return "run " + u.runId + " (station " + u.station + ", in the ledger only)";
    return "run " + u.runId + " (station " + u.station + ", " + u.started + ", " + u.outcome +
           (u.reused ? ", reuse confirmed" : "") + ")";
}

std::string GapText(const SerialAccountLine& line) {
    using Standing = SerialAccountLine::Standing;
    const platform::LedgerEntry* row = line.rows.empty() ? nullptr : &line.rows.back();
    const std::string of = row ? " (run " + row->runId + ", station " + row->station + ")" : "";
    switch (line.standing) {
        case Standing::Void:
            return "void: its message never left the tool" + of;
        case Standing::Reserved:
            return "reserved, never confirmed: its message may have reached the unit" + of +
                   ", so it counts as used";
        case Standing::NeverTaken:
            return "never taken" + (line.why.empty() ? ": no run took it" : ": " + line.why);
        default:
            return "";
    }
}

std::string SerialRanges(std::vector<std::string> serials) {
    // By month, then by counter (a longer counter is a later one).
    std::map<std::string, std::set<std::int64_t>> months;
    for (const auto& s : serials) {
        if (s.size() < 7)
            continue;
        const std::string stamp = s.substr(0, 6);
        if (const auto n = CounterOf(s, stamp))
            months[stamp].insert(*n);
    }
    std::string text;
    for (const auto& [stamp, counters] : months) {
        text += (text.empty() ? "" : "; ") + stamp + ": ";
        bool firstRange = true;
        for (auto it = counters.begin(); it != counters.end();) {
            const std::int64_t first = *it;
            std::int64_t last = first;
            while (++it != counters.end() && *it == last + 1)
                last = *it;
            text += (firstRange ? "" : ", ") + FormatCounter(first);
            if (last != first)
                text += "\u2013" + FormatCounter(last);
            firstRange = false;
        }
    }
    return text;
}

}  // namespace bpconf::serials
