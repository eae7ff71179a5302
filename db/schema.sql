-- The record of the line and its serial-number sequences: schema version 3.
-- One file for both stores: the station's SQLite file applies it when it opens; a line's
-- PostgreSQL database gets it with `bpconf-cli db init`. Every statement can run again.

CREATE TABLE IF NOT EXISTS bpconf_schema (
    version integer NOT NULL
);
INSERT INTO bpconf_schema (version) SELECT 3 WHERE NOT EXISTS (SELECT 1 FROM bpconf_schema);
-- Version 2 adds counter_settings; version 3 the stations of a line, and the station's own facts
-- and the entries it keeps for the line. Every earlier table stays as it was.
UPDATE bpconf_schema SET version = 3 WHERE version < 3;

-- One row per update run, written once when the run ends.
CREATE TABLE IF NOT EXISTS units (
    run_id text PRIMARY KEY,
    started text NOT NULL,          -- UTC, ISO 8601
    ended text NOT NULL,
    station text NOT NULL,
    language text NOT NULL,
    target text NOT NULL,
    serial text NOT NULL,           -- '' when the run stamped none
    reused_serial integer NOT NULL DEFAULT 0,
    package_name text NOT NULL,
    package_size bigint NOT NULL,
    package_sha256 text NOT NULL,
    outcome text NOT NULL,          -- finished, ended early, closed, delivery failed
    detail text NOT NULL,
    version text NOT NULL
);
CREATE INDEX IF NOT EXISTS units_by_serial ON units (serial);
CREATE INDEX IF NOT EXISTS units_by_started ON units (started);

-- The messages of a run in sending order, with what became of each.
CREATE TABLE IF NOT EXISTS unit_messages (
    run_id text NOT NULL REFERENCES units (run_id) ON DELETE CASCADE,
    seq integer NOT NULL,
    message text NOT NULL,          -- as bpconf-cli decode prints it
    result text NOT NULL,           -- done, failed, not sent
    error bigint NOT NULL,
    error_text text NOT NULL,
    PRIMARY KEY (run_id, seq)
);

-- The shared counters of a line: the next number of each sequence.
CREATE TABLE IF NOT EXISTS counters (
    name text PRIMARY KEY,
    next integer NOT NULL CHECK (next >= 0)
);

-- Every serial number a run took from a shared counter: reserved when taken, stamped when its
-- STSN message reached the unit, void when the run ended before the message left. A number
-- reserved and never settled (a crash, a lost connection) may be on a unit: it counts as used.
CREATE TABLE IF NOT EXISTS serials (
    serial text NOT NULL,
    sequence text NOT NULL,
    state text NOT NULL CHECK (state IN ('reserved', 'stamped', 'void')),
    station text NOT NULL,
    run_id text NOT NULL,
    reused integer NOT NULL DEFAULT 0,  -- the operator confirmed a number used before
    reserved_at text NOT NULL,
    settled_at text,
    PRIMARY KEY (serial, run_id)
);
-- No serial number on two units, unless an operator confirmed the reuse (a void one never left).
CREATE UNIQUE INDEX IF NOT EXISTS serials_once ON serials (serial) WHERE reused = 0 AND state <> 'void';

-- Every explicit setting of a counter, as against a run taking a number: when, by which station,
-- from what to what and why; forced when it went below numbers of the ledger on purpose.
CREATE TABLE IF NOT EXISTS counter_settings (
    sequence text NOT NULL,
    seq integer NOT NULL,           -- 1, 2, … in the order the settings were made
    set_at text NOT NULL,           -- UTC, ISO 8601, by the clock of the station that set it
    station text NOT NULL,
    from_value text NOT NULL,
    to_value text NOT NULL,
    forced integer NOT NULL DEFAULT 0,
    reason text NOT NULL,
    PRIMARY KEY (sequence, seq)
);

-- The stations of a line: a name is held by one machine (an identity kept with the station's
-- files) from its first run on the line until it is released on purpose.
CREATE TABLE IF NOT EXISTS stations (
    name text PRIMARY KEY,
    machine_id text NOT NULL,
    host text NOT NULL,             -- the machine's host name when it registered, for messages
    registered_at text NOT NULL     -- UTC, ISO 8601
);

-- What became of station names: registered, released (bpconf-cli db release-station), left (a
-- station that left the line on purpose, bpconf-cli db leave).
CREATE TABLE IF NOT EXISTS station_events (
    at text NOT NULL,
    station text NOT NULL,
    event text NOT NULL,
    machine_id text NOT NULL,
    host text NOT NULL,
    detail text NOT NULL
);

-- The station's own, in its file: what it keeps of itself (its machine identity, the line it
-- joined), by name.
CREATE TABLE IF NOT EXISTS station_facts (
    name text PRIMARY KEY,
    value text NOT NULL
);

-- The station's own, in its file: what still has to reach the line's database, in the order it
-- happened: a run's entry (the entry itself is in units) or the settling of a serial number,
-- each for the line (its address as shown) and under the station name it happened on.
CREATE TABLE IF NOT EXISTS line_outbox (
    seq integer PRIMARY KEY,
    line text NOT NULL,
    station text NOT NULL,
    kind text NOT NULL CHECK (kind IN ('entry', 'settle')),
    run_id text NOT NULL,
    serial text NOT NULL,           -- settle: the number; entry: ''
    from_state text NOT NULL,
    to_state text NOT NULL,
    queued_at text NOT NULL
);
