// The line's own facts in its database: the version of its schema, and which machine holds
// which station name. Storage only: what a station may do with them is the line's policy.
#pragma once

#include <string>

#include "platform/UnitRecord.h"

namespace bpconf::platform {

// A station name and the machine that holds it.
struct StationHolder {
    std::string name;
    std::string machineId;
    std::string host;          // the machine's host name, for the operator's messages
    std::string registeredAt;  // UTC, ISO 8601
};

class ILineDirectory {
  public:
    virtual ~ILineDirectory() = default;

    // Asks the server (within the connection's bound) for the schema's version; 0 when the
    // database holds no schema of this tool.
    virtual RecordResult SchemaVersion(int& version) = 0;
    // Registers wanted.name for wanted.machineId when nobody holds it (noted as "registered");
    // holder: who holds the name afterwards, this machine or another.
    virtual RecordResult Claim(const StationHolder& wanted, StationHolder& holder) = 0;
    // Frees a name (noted as "released" by `by`); found = false when nobody held it.
    virtual RecordResult Release(const std::string& name, const StationHolder& by, bool& found) = 0;
    // Notes what happened to a station: "left" (it left the line on purpose).
    virtual RecordResult Note(const std::string& event, const StationHolder& station,
                              const std::string& detail) = 0;
};

}  // namespace bpconf::platform
