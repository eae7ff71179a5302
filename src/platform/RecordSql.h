// The statements of the record and the ledger, one text for both stores: parameters are "$1",
// "$2", … in PostgreSQL's way, which the SQLite back end binds by name.
#pragma once

namespace bpconf::platform::sql {

inline constexpr const char* kInsertUnit =
    "INSERT INTO units (run_id, started, ended, station, language, target, serial, reused_serial,"
    " package_name, package_size, package_sha256, outcome, detail, version)"
    " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14)";

// The line's database takes an entry once: sent again (a station that could not know it had
// arrived) it changes nothing.
inline constexpr const char* kInsertUnitOnce =
    "INSERT INTO units (run_id, started, ended, station, language, target, serial, reused_serial,"
    " package_name, package_size, package_sha256, outcome, detail, version)"
    " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14)"
    " ON CONFLICT (run_id) DO NOTHING";

inline constexpr const char* kInsertMessage =
    "INSERT INTO unit_messages (run_id, seq, message, result, error, error_text)"
    " VALUES ($1, $2, $3, $4, $5, $6)";

inline constexpr const char* kSelectUnits =
    "SELECT run_id, started, ended, station, language, target, serial, reused_serial,"
    " package_name, package_size, package_sha256, outcome, detail, version FROM units"
    " WHERE ($1 = '' OR substr(started, 1, 10) >= $1) AND ($2 = '' OR substr(started, 1, 10) <= $2)"
    " AND ($3 = '' OR station = $3) AND ($4 = '' OR serial = $4) AND ($5 = '' OR run_id = $5)"
    " ORDER BY started, run_id";

// The messages of the entries kSelectUnits selects, in the same order, each entry's in sequence:
// read in one pass, never one query per entry.
inline constexpr const char* kSelectMessagesOfUnits =
    "SELECT m.run_id, m.message, m.result, m.error, m.error_text FROM units u"
    " JOIN unit_messages m ON m.run_id = u.run_id"
    " WHERE ($1 = '' OR substr(u.started, 1, 10) >= $1)"
    " AND ($2 = '' OR substr(u.started, 1, 10) <= $2)"
    " AND ($3 = '' OR u.station = $3) AND ($4 = '' OR u.serial = $4)"
    " AND ($5 = '' OR u.run_id = $5) ORDER BY u.started, u.run_id, m.seq";

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

// The ledger's rows of the serial numbers from $1 up to $2 (see kHighestSerial), in order.
inline constexpr const char* kLedgerRange =
    "SELECT serial, state, station, run_id, reused FROM serials WHERE serial >= $1 AND serial < $2"
    " ORDER BY length(serial), serial, reserved_at, run_id";
inline constexpr const char* kLedgerRangeInByteOrder =
    "SELECT serial, state, station, run_id, reused FROM serials"
    " WHERE serial COLLATE \"C\" >= $1 AND serial COLLATE \"C\" < $2"
    " ORDER BY length(serial), serial COLLATE \"C\", reserved_at, run_id";

// Every explicit setting of a sequence's counter, oldest first.
inline constexpr const char* kCounterSettings =
    "SELECT from_value, to_value, station, reason, forced FROM counter_settings"
    " WHERE sequence = $1 ORDER BY seq";

// The station's own facts and what waits for the line (its record file only).
inline constexpr const char* kFact = "SELECT value FROM station_facts WHERE name = $1";
inline constexpr const char* kSetFact =
    "INSERT INTO station_facts (name, value) VALUES ($1, $2)"
    " ON CONFLICT (name) DO UPDATE SET value = excluded.value";
inline constexpr const char* kKeepFirstFact =
    "INSERT INTO station_facts (name, value) VALUES ($1, $2) ON CONFLICT (name) DO NOTHING";
inline constexpr const char* kRemoveFact = "DELETE FROM station_facts WHERE name = $1";
inline constexpr const char* kQueueForLine =
    "INSERT INTO line_outbox (kind, run_id, serial, from_state, to_state, queued_at, line, station)"
    " VALUES ($1, $2, $3, $4, $5, $6, $7, $8)";
inline constexpr const char* kWaitingForLine =
    "SELECT seq, kind, run_id, serial, from_state, to_state FROM line_outbox"
    " WHERE line = $1 AND station = $2 ORDER BY seq LIMIT $3";
inline constexpr const char* kWaitingElsewhere =
    "SELECT line, station, count(*) FROM line_outbox WHERE line <> $1 OR station <> $2"
    " GROUP BY line, station ORDER BY min(seq)";
inline constexpr const char* kCountWaitingForLine = "SELECT count(*) FROM line_outbox";
inline constexpr const char* kRunsWaitingForLine =
    "SELECT run_id FROM line_outbox WHERE kind = 'entry' ORDER BY seq";
// An item that reached the line, by its number and what it is: a number is given again once the
// queue was empty, so a second sender that finishes late never removes a newer item.
inline constexpr const char* kSentToLine =
    "DELETE FROM line_outbox"
    " WHERE seq = $1 AND kind = $2 AND run_id = $3 AND serial = $4 AND to_state = $5";

// The line's stations (its database only).
inline constexpr const char* kSchemaVersion = "SELECT max(version) FROM bpconf_schema";
inline constexpr const char* kClaimStation =
    "INSERT INTO stations (name, machine_id, host, registered_at) VALUES ($1, $2, $3, $4)"
    " ON CONFLICT (name) DO NOTHING";
inline constexpr const char* kStationHolder =
    "SELECT name, machine_id, host, registered_at FROM stations WHERE name = $1";
inline constexpr const char* kReleaseStation = "DELETE FROM stations WHERE name = $1";
inline constexpr const char* kNoteStation =
    "INSERT INTO station_events (at, station, event, machine_id, host, detail)"
    " VALUES ($1, $2, $3, $4, $5, $6)";

// A write that changes nothing: whether the record can be written now.
inline constexpr const char* kProbe = "UPDATE bpconf_schema SET version = version";

}  // namespace bpconf::platform::sql
