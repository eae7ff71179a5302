// The schema of the record and the shared counters (db/schema.sql, built into the program): the
// station's SQLite file applies it when it opens, `bpconf-cli db init` on a line's database.
#pragma once

namespace bpconf::platform {

extern const char* const kRecordSchema;
inline constexpr int kRecordSchemaVersion = 3;

}  // namespace bpconf::platform
