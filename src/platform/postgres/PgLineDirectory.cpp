#include "platform/postgres/PgLineDirectory.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <functional>

#include "platform/RecordSql.h"
#include "platform/UtcTime.h"

namespace bpconf::platform {

namespace {

// SQLSTATE undefined_table: no table of the tool in the database.
constexpr const char* kUndefinedTable = "42P01";

// A statement and the note of what it did, in one transaction: both or neither.
RecordResult InOneTransaction(PgConnection& c, const std::function<std::string()>& work) {
    if (std::string reason; !c.Begin("BEGIN", reason))
        return {false, reason};
    if (const std::string error = work(); !error.empty()) {
        c.Run("ROLLBACK");
        return {false, error};
    }
    PgResult commit(c.Exec("COMMIT"));
    if (!commit.Ok())
        return {false, commit.Error()};
    return {};
}

std::string NoteOn(PgConnection& c, const std::string& event, const StationHolder& s,
                   const std::string& detail) {
    PgResult note(
        c.Exec(sql::kNoteStation, {UtcNow(), s.name, event, s.machineId, s.host, detail}));
    return note.Ok() ? "" : note.Error();
}

}  // namespace

RecordResult PgLineDirectory::SchemaVersion(int& version) {
    version = 0;
    const PgResult r = c_->Query(sql::kSchemaVersion);
    if (!r.Ok())
        return r.State() == kUndefinedTable ? RecordResult() : RecordResult{false, r.Error()};
    if (r.Rows() > 0)
        version = std::atoi(r.Text(0, 0).c_str());
    return {};
}

RecordResult PgLineDirectory::Claim(const StationHolder& wanted, StationHolder& holder) {
    holder = StationHolder();
    return InOneTransaction(*c_, [&]() -> std::string {
        PgResult claim(
            c_->Exec(sql::kClaimStation, {wanted.name, wanted.machineId, wanted.host, UtcNow()}));
        if (!claim.Ok())
            return claim.Error();
        if (claim.Changed() == 1) {
            if (std::string error = NoteOn(*c_, "registered", wanted, ""); !error.empty())
                return error;
        }
        PgResult held(c_->Exec(sql::kStationHolder, {wanted.name}));
        if (!held.Ok())
            return held.Error();
        if (held.Rows() == 0)
            return "the station name " + wanted.name + " was released at this very moment";
        holder = {held.Text(0, 0), held.Text(0, 1), held.Text(0, 2), held.Text(0, 3)};
        return "";
    });
}

RecordResult PgLineDirectory::Release(const std::string& name, const StationHolder& by,
                                      bool& found) {
    found = false;
    return InOneTransaction(*c_, [&]() -> std::string {
        PgResult held(c_->Exec(sql::kStationHolder, {name}));
        if (!held.Ok())
            return held.Error();
        if (held.Rows() == 0)
            return "";
        found = true;
        PgResult release(c_->Exec(sql::kReleaseStation, {name}));
        if (!release.Ok())
            return release.Error();
        StationHolder released{name, held.Text(0, 1), held.Text(0, 2), held.Text(0, 3)};
        return NoteOn(*c_, "released", released,
                      "by " + by.host + " (machine " + by.machineId + ")");
    });
}

RecordResult PgLineDirectory::Note(const std::string& event, const StationHolder& station,
                                   const std::string& detail) {
    return InOneTransaction(*c_, [&] { return NoteOn(*c_, event, station, detail); });
}

}  // namespace bpconf::platform
