#include "serials/StationLine.h"

#include <cstdio>
#include <random>

#include "platform/RecordSchema.h"
#include "platform/UtcTime.h"

namespace bpconf::serials {

namespace {

using Kind = LineProblem::Kind;

LineProblem Problem(Kind kind, std::string reason = "") {
    LineProblem p;
    p.kind = kind;
    p.reason = std::move(reason);
    return p;
}

// 128 random bits in hex: a machine's identity, made once and kept.
std::string NewMachineId() {
    std::random_device device;
    std::string id;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(device()));
        id += part;
    }
    return id;
}

// Things sent per read of the queue.
constexpr int kBatch = 500;

}  // namespace

StationLine::StationLine(platform::IStationStore* store, std::string whyNot,
                         std::optional<Line> line, std::string station, std::string host,
                         bool noClient)
    : store_(store),
      whyNot_(std::move(whyNot)),
      line_(std::move(line)),
      station_(std::move(station)),
      host_(std::move(host)),
      noClient_(noClient) {}

platform::StationHolder StationLine::Me(const std::string& id) const {
    return {station_, id, host_, ""};
}

platform::RecordResult StationLine::MachineIdentity(std::string& id) {
    if (store_ == nullptr)
        return {false, whyNot_};
    id = NewMachineId();
    return store_->KeepFirst(kMachineIdFact, id);
}

LineProblem StationLine::Check() {
    refused_ = true;
    away_ = false;
    if (noClient_)
        return Problem(Kind::NoClient);
    if (!line_) {
        // A station that joined a line never stamps from its own counter unasked: its numbers
        // would repeat the line's.
        refused_ = false;
        std::string joined;
        bool found = false;
        if (store_ != nullptr && store_->Fact(kLineFact, joined, found) && found) {
            LineProblem p = Problem(Kind::BelongsToLine);
            p.line = joined;
            return p;
        }
        return {};
    }
    LineProblem base;
    base.station = station_;
    base.line = line_->shown;
    auto problem = [&](Kind kind, std::string reason = "") {
        LineProblem p = base;
        p.kind = kind;
        p.reason = std::move(reason);
        return p;
    };
    if (station_.empty())
        return problem(Kind::NoName);
    if (store_ == nullptr)
        return problem(Kind::NoStationFile, whyNot_);
    // Away: this run's entry waits for the line with the others, when the station has joined
    // that very line; a line it never reached (a wrong address, its first run) may be none at
    // all, and the entry stays in the station's own record only.
    auto away = [&](const std::string& reason) {
        std::string joined;
        bool found = false;
        refused_ = !(store_->Fact(kLineFact, joined, found) && found && joined == line_->shown);
        away_ = true;
        store_->CountWaiting(waiting_);
        return problem(Kind::Unreachable, reason);
    };
    int version = 0;
    if (const platform::RecordResult r = line_->directory.SchemaVersion(version); !r)
        return away(r.reason);
    if (version != platform::kRecordSchemaVersion) {
        LineProblem p = problem(version == 0                               ? Kind::NotSetUp
                                : version < platform::kRecordSchemaVersion ? Kind::OlderSchema
                                                                           : Kind::NewerSchema);
        p.version = version;
        return p;
    }
    std::string id;
    if (const platform::RecordResult r = MachineIdentity(id); !r)
        return problem(Kind::NoStationFile, r.reason);
    platform::StationHolder holder;
    if (const platform::RecordResult r = line_->directory.Claim(Me(id), holder); !r)
        return away(r.reason);
    if (holder.machineId != id) {
        LineProblem p = problem(Kind::NameHeld);
        p.holder = holder;
        return p;
    }
    // What waits for another line, or under another name, is never sent here: it would be
    // lost to its own line, or filed under a name not its own.
    platform::LineTag other;
    int elsewhere = 0;
    if (const platform::RecordResult r = store_->WaitingElsewhere(Tag(), other, elsewhere); !r)
        return problem(Kind::NoStationFile, r.reason);
    if (elsewhere > 0) {
        LineProblem p = problem(Kind::WaitingForOtherLine);
        p.line = other.line;
        p.station = other.station;
        p.waiting = elsewhere;
        return p;
    }
    // The station has joined this line: from now on it never runs without it unasked.
    std::string joined;
    bool found = false;
    if (!store_->Fact(kLineFact, joined, found) || !found || joined != line_->shown) {
        if (const platform::RecordResult r = store_->SetFact(kLineFact, line_->shown); !r)
            return problem(Kind::NoStationFile, r.reason);
    }
    refused_ = false;
    Sync();
    return {};
}

platform::RecordResult StationLine::Write(const platform::UnitEntry& entry) {
    const bool forLine = line_.has_value() && !refused_;
    const platform::LineTag tag = Tag();
    platform::RecordResult kept = store_ != nullptr
                                      ? store_->WriteEntry(entry, forLine ? &tag : nullptr)
                                      : platform::RecordResult{false, whyNot_};
    if (!kept) {
        if (!forLine)
            return kept;
        // The station's file cannot take it: the line itself may.
        if (const platform::RecordResult direct = line_->record.Write(entry); !direct)
            return {false, kept.reason + "; " + direct.reason};
        return {};
    }
    if (forLine && !away_)
        Sync();
    else if (forLine)
        store_->CountWaiting(waiting_);
    return {};
}

SyncReport StationLine::Sync() {
    SyncReport report;
    if (!line_ || store_ == nullptr) {
        lastSync_ = report;
        return report;
    }
    SerialPolicy policy(line_->book);
    bool stopped = false;
    while (!stopped) {
        std::vector<platform::WaitingItem> items;
        if (const platform::RecordResult r = store_->Waiting(Tag(), items, kBatch); !r) {
            report.reason = r.reason;
            break;
        }
        std::size_t refusedHere = 0;
        for (const auto& item : items) {
            std::string failure;
            if (item.kind == platform::WaitingItem::Kind::Entry) {
                // Once by run id: an entry the line holds already changes nothing there.
                if (const platform::RecordResult r = line_->record.Write(item.entry); !r)
                    failure = r.reason;
            } else {
                const SerialProblem p =
                    policy.SettleWaiting(item.serial, item.runId, item.from, item.to);
                if (p.kind == SerialProblem::Kind::NotSettled) {
                    // The ledger holds no reserved row of it: it stays as the ledger says.
                    report.notSettled.push_back(item.serial);
                } else if (!p) {
                    failure = p.reason;
                }
            }
            if (!failure.empty()) {
                // The line away: everything waits, in order. The line there but refusing this
                // one item (a text its database cannot hold): it waits and is told, and does
                // not hold up the rest.
                int version = 0;
                if (!line_->directory.SchemaVersion(version)) {
                    report.reason = failure;
                    stopped = true;
                    break;
                }
                report.refused.push_back("run " + item.runId + ": " + failure);
                ++refusedHere;
                continue;
            }
            if (const platform::RecordResult r = store_->Sent(item); !r) {
                report.reason = r.reason;
                stopped = true;
                break;
            }
            ++report.sent;
        }
        // A batch of refused items only: the next read would give the same again.
        if (items.size() < static_cast<std::size_t>(kBatch) || refusedHere == items.size())
            break;
    }
    if (report.reason.empty() && !report.refused.empty())
        report.reason = report.refused.front();
    store_->CountWaiting(report.waiting);
    waiting_ = report.waiting;
    lastSync_ = report;
    return report;
}

bool StationLine::QueueSettle(const std::string& serial, const std::string& runId, SerialState from,
                              SerialState to, std::string& reason) {
    if (!line_ || store_ == nullptr) {
        reason = whyNot_;
        return false;
    }
    const platform::RecordResult r =
        store_->QueueSettle(serial, runId, StateName(from), StateName(to), Tag());
    if (!r) {
        reason = r.reason;
        return false;
    }
    store_->CountWaiting(waiting_);
    return true;
}

platform::RecordResult StationLine::Leave(std::string& line) {
    line.clear();
    if (store_ == nullptr)
        return {false, whyNot_};
    bool found = false;
    if (platform::RecordResult r = store_->Fact(kLineFact, line, found); !r)
        return r;
    if (!found)
        return {false, "this station has joined no line"};
    int waiting = 0;
    if (platform::RecordResult r = store_->CountWaiting(waiting); !r)
        return r;
    if (waiting > 0) {
        return {false, std::to_string(waiting) +
                           " entries still wait for the line: send them first (bpconf-cli db sync "
                           "with the line's address)"};
    }
    if (line_) {
        // Noted on the line; the name stays this machine's until it is released.
        std::string id;
        if (platform::RecordResult r = MachineIdentity(id); !r)
            return r;
        if (platform::RecordResult r = line_->directory.Note("left", Me(id), line); !r)
            return r;
    }
    if (platform::RecordResult r =
            store_->SetFact(kLeftLineFact, line + " at " + platform::UtcNow());
        !r)
        return r;
    return store_->RemoveFact(kLineFact);
}

platform::RecordResult StationLine::Release(const std::string& name, bool& found) {
    found = false;
    if (!line_)
        return {false, "no line database is named"};
    std::string id;
    if (platform::RecordResult r = MachineIdentity(id); !r)
        return r;
    return line_->directory.Release(name, Me(id), found);
}

std::unique_ptr<StationLine> StationLineOf(platform::SerialsAndRecord& b,
                                           const std::string& shown) {
    std::optional<StationLine::Line> line;
    if (b.directory)
        line.emplace(StationLine::Line{*b.directory, *b.book, *b.record, shown});
    return std::make_unique<StationLine>(b.stationStore.get(), b.stationWhyNot, std::move(line),
                                         b.station, platform::HostName(), b.lineDatabaseIgnored);
}

}  // namespace bpconf::serials
