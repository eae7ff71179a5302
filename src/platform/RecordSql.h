// The statements of the record and the ledger, one text for both stores: parameters are "$1",
// "$2", … in PostgreSQL's way, which the SQLite back end binds by name.
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

// The ledger's rows of one serial number, and whether an entry names it as stamped (an entry
// names a serial number only when its message left the tool).
inline constexpr const char* kLedgerRows =
    "SELECT serial, state, station, run_id, reused FROM serials WHERE serial = $1"
    " ORDER BY reserved_at, run_id";
inline constexpr const char* kRecordedSerial = "SELECT 1 FROM units WHERE serial = $1 LIMIT 1";

// The highest serial number of the ledger from $1 (a stamp) up to $2 (the stamp and ':', which
// sorts after every digit in byte order): a range of the ledger's index, the longest and
// greatest first. Byte order is SQLite's own; a PostgreSQL database may collate by a language's
// rules, where ':' sorts before the digits, so there the comparison names byte order ("C") and
// the line database keeps an index in it.
inline constexpr const char* kHighestSerial =
    "SELECT serial FROM serials WHERE serial >= $1 AND serial < $2"
    " ORDER BY length(serial) DESC, serial DESC LIMIT 1";
inline constexpr const char* kHighestSerialInByteOrder =
    "SELECT serial FROM serials WHERE serial COLLATE \"C\" >= $1 AND serial COLLATE \"C\" < $2"
    " ORDER BY length(serial) DESC, serial COLLATE \"C\" DESC LIMIT 1";
inline constexpr const char* kSerialsInByteOrder =
    "CREATE INDEX IF NOT EXISTS serials_in_byte_order ON serials (serial COLLATE \"C\");";

inline constexpr const char* kAddSerial =
    "INSERT INTO serials (serial, sequence, state, station, run_id, reused, reserved_at)"
    " VALUES ($1, $2, $3, $4, $5, $6, $7)";
inline constexpr const char* kUpdateSerial =
    "UPDATE serials SET state = $4, settled_at = $5"
    " WHERE serial = $1 AND run_id = $2 AND state = $3";

// A setting is numbered after the sequence's last one (inside the section that holds the
// counter, so no other setting comes between): the newest is the one noted last, whatever the
// clocks of the stations that noted them said.
inline constexpr const char* kNoteCounterSetting =
    "INSERT INTO counter_settings"
    " (sequence, seq, set_at, station, from_value, to_value, forced, reason)"
    " SELECT $1, coalesce(max(seq), 0) + 1, CAST($2 AS text), CAST($3 AS text),"
    " CAST($4 AS text), CAST($5 AS text), CAST($6 AS integer), CAST($7 AS text)"
    " FROM counter_settings WHERE sequence = $1";

inline constexpr const char* kLastCounterSetting =
    "SELECT from_value, to_value, station, reason, forced FROM counter_settings"
    " WHERE sequence = $1 ORDER BY seq DESC LIMIT 1";

// The next number of a line's sequence.
inline constexpr const char* kReadCounter = "SELECT next FROM counters WHERE name = $1";

// A write that changes nothing: whether the record can be written now.
inline constexpr const char* kProbe = "UPDATE bpconf_schema SET version = version";

}  // namespace bpconf::platform::sql
