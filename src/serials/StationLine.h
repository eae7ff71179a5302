// A station's place on its line. A station named to a line's database is checked before a run's
// first byte: the database answers, its schema is this tool's, the station has a name and holds
// it (registered with the station's machine identity, which another machine cannot take until
// the name is released on purpose). A station that joined a line keeps that fact in its own file:
// started without the line's address it refuses to run rather than stamp from its own counter.
//
// No entry is lost: a run's entry goes first to the station's own record, queued for the line,
// and leaves the queue only once the line holds it (sent in order, and once by run id, at the
// next run's start or by `bpconf-cli db sync`). A settling of a serial number the line cannot take
// now waits in the same queue, so the ledger comes to hold what the operator read.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Backends.h"
#include "platform/LineDirectory.h"
#include "platform/SerialBook.h"
#include "platform/StationStore.h"
#include "platform/UnitRecord.h"
#include "serials/SerialPolicy.h"

namespace bpconf::serials {

// Why a station may not run on its line now.
struct LineProblem {
    enum class Kind {
        None,
        NoClient,       // a line is named, but this build has no client for its database
        NoName,         // a line station without a name
        NoStationFile,  // the station's own file cannot be kept (reason)
        Unreachable,    // the database does not answer (reason)
        NotSetUp,       // no schema of this tool: db init
        OlderSchema,    // version: the database's, older than the tool's: db init
        NewerSchema,    // version: the database's, newer than the tool's: a newer tool
        NameHeld,       // holder: the machine that holds the name
        BelongsToLine,  // no line named, but the station joined `line`
        // Entries still wait for another line (`line`) or under another name (`station`): sent
        // here they would be lost to their own line, or filed under a name not theirs.
        WaitingForOtherLine,
    };
    Kind kind = Kind::None;
    std::string reason;
    std::string station;
    std::string line;  // the line's address as shown (no password)
    int version = 0;
    int waiting = 0;  // WaitingForOtherLine
    platform::StationHolder holder;
    bool ok() const { return kind == Kind::None; }
    explicit operator bool() const { return ok(); }
};

// What a sending of the waiting entries came to.
struct SyncReport {
    int sent = 0;
    int waiting = 0;
    std::string reason;                   // why the rest still waits
    std::vector<std::string> notSettled;  // settlings the line's ledger holds no row for
    // Items the line answered but refused ("run R: reason"): they wait, and those after them
    // are sent all the same.
    std::vector<std::string> refused;
};

// The names of the station's facts in its file.
inline constexpr const char* kMachineIdFact = "machine_id";
inline constexpr const char* kLineFact = "line";
inline constexpr const char* kLeftLineFact = "left_line";

class StationLine : public ISettleQueue {
  public:
    // The line's parts on its database, and its address as shown.
    struct Line {
        platform::ILineDirectory& directory;
        platform::ISerialBook& book;
        platform::IUnitRecord& record;
        std::string shown;
    };
    // store: the station's own file (nothing: whyNot says why); line: nothing on the station's
    // own counter. host: this machine's host name, for the line's messages.
    // noClient: a line is named that this build cannot reach (no database client): every check
    // refuses, and the station's own counter is never used instead.
    StationLine(platform::IStationStore* store, std::string whyNot, std::optional<Line> line,
                std::string station, std::string host, bool noClient = false);

    bool OnLine() const { return line_.has_value(); }
    // Before a run's first byte: everything above, then what waits is sent.
    LineProblem Check();
    // The run's entry: to the station's record first (queued for the line, unless the line
    // refused this station), then what waits is sent. Fails only when the entry is kept nowhere.
    platform::RecordResult Write(const platform::UnitEntry& entry);
    // Sends what waits, oldest first, and stops at the first thing the line cannot take.
    SyncReport Sync();
    // How many things waited after the last check, write or sending.
    int Waiting() const { return waiting_; }
    const SyncReport& LastSync() const { return lastSync_; }

    // The machine's identity, kept in the station's file from its first use.
    platform::RecordResult MachineIdentity(std::string& id);
    // The station leaves its line on purpose: refused while anything waits for it; noted on the
    // line when it can be reached, and in the station's file.
    platform::RecordResult Leave(std::string& line);
    platform::RecordResult Release(const std::string& name, bool& found);

    bool QueueSettle(const std::string& serial, const std::string& runId, SerialState from,
                     SerialState to, std::string& reason) override;

  private:
    platform::StationHolder Me(const std::string& id) const;
    platform::LineTag Tag() const { return {line_ ? line_->shown : "", station_}; }

    platform::IStationStore* store_;
    std::string whyNot_;
    std::optional<Line> line_;
    std::string station_, host_;
    bool noClient_;
    // The line refused this station for the run checked last: its entry stays on the station.
    bool refused_ = false;
    // The line did not answer the run checked last: its entry waits without a second try, so a
    // hung server costs the operator one wait, not two.
    bool away_ = false;
    int waiting_ = 0;
    SyncReport lastSync_;
};

// The station's place on the line its back ends name (shown: the line's address as the operator
// may read it), or on its own counter.
std::unique_ptr<StationLine> StationLineOf(platform::SerialsAndRecord& backends,
                                           const std::string& shown);

}  // namespace bpconf::serials
