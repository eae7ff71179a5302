#include "platform/postgres/PgUnitRecord.h"

#include <cstdlib>

#include "platform/RecordSql.h"

namespace bpconf::platform {

RecordResult PgUnitRecord::Write(const UnitEntry& e) {
    auto fail = [&](const std::string& why) {
        c_->Run("ROLLBACK");
        return RecordResult{false, why};
    };
    if (std::string reason; !c_->Begin("BEGIN", reason))
        return fail(reason);
    // Once per run id: an entry a station sends again (it could not know the first one arrived)
    // changes nothing.
    PgResult unit(
        c_->Exec(sql::kInsertUnitOnce,
                 {e.runId, e.started, e.ended, e.station, e.language, e.target, e.serial,
                  e.reusedSerial ? "1" : "0", e.packageName, std::to_string(e.packageSize),
                  e.packageSha256, e.outcome, e.detail, e.version}));
    if (!unit.Ok())
        return fail(unit.Error());
    if (unit.Changed() == 0) {
        c_->Run("ROLLBACK");
        return {};
    }
    int seq = 0;
    for (const auto& m : e.messages) {
        PgResult message(
            c_->Exec(sql::kInsertMessage, {e.runId, std::to_string(++seq), m.message, m.result,
                                           std::to_string(m.error), m.errorText}));
        if (!message.Ok())
            return fail(message.Error());
    }
    PgResult commit(c_->Exec("COMMIT"));
    if (!commit.Ok())
        return {false, commit.Error()};
    return {};
}

RecordResult PgUnitRecord::Read(const UnitQuery& q, std::vector<UnitEntry>& entries) {
    entries.clear();
    // One snapshot for the entries and their messages.
    if (std::string reason; !c_->Begin("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", reason))
        return {false, reason};
    PgResult units(c_->Exec(sql::kSelectUnits, {q.since, q.until, q.station, q.serial, q.runId}));
    if (!units.Ok()) {
        c_->Run("ROLLBACK");
        return {false, units.Error()};
    }
    PgResult messages(
        c_->Exec(sql::kSelectMessagesOfUnits, {q.since, q.until, q.station, q.serial, q.runId}));
    if (!messages.Ok()) {
        c_->Run("ROLLBACK");
        return {false, messages.Error()};
    }
    int m = 0;
    for (int row = 0; row < units.Rows(); ++row) {
        UnitEntry e;
        e.runId = units.Text(row, 0);
        e.started = units.Text(row, 1);
        e.ended = units.Text(row, 2);
        e.station = units.Text(row, 3);
        e.language = units.Text(row, 4);
        e.target = units.Text(row, 5);
        e.serial = units.Text(row, 6);
        e.reusedSerial = units.Text(row, 7) != "0";
        e.packageName = units.Text(row, 8);
        e.packageSize = std::strtoull(units.Text(row, 9).c_str(), nullptr, 10);
        e.packageSha256 = units.Text(row, 10);
        e.outcome = units.Text(row, 11);
        e.detail = units.Text(row, 12);
        e.version = units.Text(row, 13);
        // The messages come in the entries' order: this entry's are the next ones.
        for (; m < messages.Rows() && messages.Text(m, 0) == e.runId; ++m) {
            e.messages.push_back(
                {messages.Text(m, 1), messages.Text(m, 2),
                 static_cast<std::uint32_t>(std::strtoul(messages.Text(m, 3).c_str(), nullptr, 10)),
                 messages.Text(m, 4)});
        }
        entries.push_back(std::move(e));
    }
    c_->Run("COMMIT");
    return {};
}

RecordResult PgUnitRecord::Probe() {
    // The connection, and the tables the entry goes to.
    const PgResult r = c_->Query("SELECT 1 FROM units, unit_messages LIMIT 0");
    if (!r.Ok())
        return {false, r.Error()};
    return {};
}

}  // namespace bpconf::platform
