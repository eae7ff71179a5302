// A Windows build made without the PostgreSQL client: no line database can be used, and a line
// that is named stops every run before its first byte.
#include "platform/Backends.h"

namespace bpconf::platform {

bool LineDatabaseAvailable() {
    return false;
}

bool CreateLineDatabaseBackends(const std::string&, std::unique_ptr<ISerialBook>&,
                                std::unique_ptr<IUnitRecord>&, std::unique_ptr<ILineDirectory>&) {
    return false;
}

RecordResult InitLineDatabaseSchema(const std::string&) {
    return {false, "this Windows build has no PostgreSQL client"};
}

}  // namespace bpconf::platform
