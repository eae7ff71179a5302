// The line's database (PostgreSQL): one serial-number book and one record for every station of
// a line, on one connection.
#pragma once

#include <memory>
#include <string>

#include "platform/UnitRecord.h"
#include "platform/postgres/PgConnection.h"

namespace bpconf::platform {

// A connection to the database the URL names ("postgresql://…" or "host=… dbname=…"), opened on
// first use and opened again after the server went away.
std::shared_ptr<PgConnection> ConnectLineDatabase(const std::string& url);

// Creates the schema of the record and the sequences (`bpconf-cli db init`); running it again
// changes nothing.
RecordResult InitLineDatabase(const std::string& url);

}  // namespace bpconf::platform
