#include "platform/postgres/PgLine.h"

#include "platform/Backends.h"
#include "platform/RecordSchema.h"
#include "platform/RecordSql.h"
#include "platform/postgres/PgLineDirectory.h"
#include "platform/postgres/PgSerialBook.h"
#include "platform/postgres/PgUnitRecord.h"

namespace bpconf::platform {

std::shared_ptr<PgConnection> ConnectLineDatabase(const std::string& url) {
    return std::make_shared<PgConnection>(url);
}

RecordResult InitLineDatabase(const std::string& url) {
    PgConnection c(url);
    std::string reason;
    if (!c.Ensure(reason))
        return {false, reason};
    const std::string script =
        std::string("BEGIN;\n") + kRecordSchema + "\n" + sql::kSerialsInByteOrder + "\nCOMMIT;";
    PgResult r(c.ExecScript(script.c_str()));
    if (!r.Ok())
        return {false, r.Error()};
    return {};
}

bool LineDatabaseAvailable() {
    return true;
}

bool CreateLineDatabaseBackends(const std::string& url, std::unique_ptr<ISerialBook>& book,
                                std::unique_ptr<IUnitRecord>& record,
                                std::unique_ptr<ILineDirectory>& directory) {
    auto connection = ConnectLineDatabase(url);
    book = std::make_unique<PgSerialBook>(connection);
    record = std::make_unique<PgUnitRecord>(connection);
    directory = std::make_unique<PgLineDirectory>(connection);
    return true;
}

RecordResult InitLineDatabaseSchema(const std::string& url) {
    return InitLineDatabase(url);
}

}  // namespace bpconf::platform
