// One connection to the station's record: a SQLite file in the user's data folder, shared by the
// window, the command line and parallel runs, which holds the record's entries and the ledger of
// serial numbers. WAL mode, so readers never wait for a writer; a writer waits its turn (up to
// the busy timeout) instead of failing.
//
// The file is the station's own: its folder is made for the user alone (0700), the file is
// created 0600 with the schema in it and only then given its name, so a file of that name is
// always a record. An empty file in its place is not taken for a new record: the record that
// was there (with its ledger) would be lost without a word.
#pragma once

#include <string>

#include "platform/UnitRecord.h"

struct sqlite3;

namespace bpconf::platform {

class SqliteDatabase {
  public:
    // readOnly: never creates, changes or sets up anything (a dry run, a reader of the record); a
    // file that is not there reads as an empty record.
    explicit SqliteDatabase(std::string path, int busyTimeoutMs = 30000, bool readOnly = false);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    const std::string& Path() const { return path_; }

    // Opens the file on first use: created when missing, WAL mode, the schema applied.
    RecordResult Open();
    // Statements without results; the failure's words after `what`.
    RecordResult Exec(const char* sql, const std::string& what);
    // BEGIN IMMEDIATE (the write lock, taken now) or a plain BEGIN.
    RecordResult Begin(bool immediate, const std::string& what);
    RecordResult Commit(const std::string& what);
    // Ends what is open; a transaction that cannot be ended closes the connection, so that no
    // later statement runs inside it.
    void Rollback();
    // "what: the failure's words", the transaction rolled back; error: the words when already
    // taken.
    RecordResult Failure(const std::string& what, const std::string& error = "");
    // The rows the last statement changed.
    int Changes() const;

    sqlite3* Handle() const { return db_; }
    // A read-only record whose file is not there: every read finds nothing.
    bool Absent() const { return absent_; }
    std::string LastError() const;

  private:
    // Creates the file under a temporary name, with the schema, and publishes it whole.
    RecordResult Create();
    RecordResult OpenExisting();

    std::string path_;
    int busyTimeoutMs_;
    bool readOnly_;
    bool absent_ = false;
    sqlite3* db_ = nullptr;
};

}  // namespace bpconf::platform
