// The statements of the record, one text for both stores: SQLite numbers "$1", "$2", … in the
// order they first appear, which is the order used here, so the same text binds alike in SQLite
// and PostgreSQL.
#pragma once

namespace bpconf::platform::sql {

inline constexpr const char* kInsertUnit =
    "INSERT INTO units (run_id, started, ended, station, language, target, serial, reused_serial,"
    " package_name, package_size, package_sha256, outcome, detail, version)"
    " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14)";

inline constexpr const char* kInsertMessage =
    "INSERT INTO unit_messages (run_id, seq, message, result, error, error_text)"
    " VALUES ($1, $2, $3, $4, $5, $6)";

inline constexpr const char* kSelectUnits =
    "SELECT run_id, started, ended, station, language, target, serial, reused_serial,"
    " package_name, package_size, package_sha256, outcome, detail, version FROM units"
    " WHERE ($1 = '' OR substr(started, 1, 10) >= $1) AND ($2 = '' OR substr(started, 1, 10) <= $2)"
    " AND ($3 = '' OR station = $3) AND ($4 = '' OR serial = $4) ORDER BY started, run_id";

inline constexpr const char* kSelectMessages =
    "SELECT message, result, error, error_text FROM unit_messages WHERE run_id = $1 ORDER BY seq";

// A serial number is on a unit once its STSN message was handed over (it may have arrived even
// when the run could not confirm it), or when the shared ledger holds it and it was not voided.
inline constexpr const char* kSerialUsed =
    "SELECT 1 FROM units u JOIN unit_messages m ON m.run_id = u.run_id"
    " WHERE u.serial = $1 AND m.message LIKE 'STSN %' AND m.result <> 'not sent'"
    " UNION ALL SELECT 1 FROM serials WHERE serial = $1 AND state <> 'void' LIMIT 1";

// The ledger of serial numbers: a number taken is reserved; settled stamped or void later.
inline constexpr const char* kReserveSerial =
    "INSERT INTO serials (serial, sequence, state, station, run_id, reused, reserved_at)"
    " VALUES ($1, $2, 'reserved', $3, $4, $5, $6)";
inline constexpr const char* kSettleSerial =
    "UPDATE serials SET state = $3, settled_at = $4"
    " WHERE serial = $1 AND run_id = $2 AND state = 'reserved'";

}  // namespace bpconf::platform::sql
