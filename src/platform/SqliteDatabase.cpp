#include "platform/SqliteDatabase.h"

#include <sqlite3.h>

#include <filesystem>
#include <random>

#include "platform/Files.h"
#include "platform/RecordSchema.h"

namespace bpconf::platform {

SqliteDatabase::SqliteDatabase(std::string path, int busyTimeoutMs, bool readOnly)
    : path_(std::move(path)), busyTimeoutMs_(busyTimeoutMs), readOnly_(readOnly) {}

SqliteDatabase::~SqliteDatabase() {
    sqlite3_close_v2(db_);
}

std::string SqliteDatabase::LastError() const {
    return db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
}

int SqliteDatabase::Changes() const {
    return db_ != nullptr ? sqlite3_changes(db_) : 0;
}

RecordResult SqliteDatabase::Failure(const std::string& what, const std::string& error) {
    const std::string reason = what + ": " + (!error.empty() ? error : LastError());
    Rollback();
    return {false, reason};
}

void SqliteDatabase::Rollback() {
    if (db_ == nullptr)
        return;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    // A transaction that cannot be ended would refuse every later write: start afresh.
    if (!sqlite3_get_autocommit(db_)) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

RecordResult SqliteDatabase::Exec(const char* sql, const std::string& what) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return Failure(what);
    return {};
}

RecordResult SqliteDatabase::Begin(bool immediate, const std::string& what) {
    if (RecordResult r = Open(); !r)
        return r;
    return Exec(immediate ? "BEGIN IMMEDIATE" : "BEGIN", what);
}

RecordResult SqliteDatabase::Commit(const std::string& what) {
    return Exec("COMMIT", what);
}

RecordResult SqliteDatabase::Open() {
    if (db_ != nullptr || absent_)
        return {};
    const std::filesystem::path file = std::filesystem::u8path(path_);
    std::string reason;
    if (!readOnly_ && file.has_parent_path() &&
        !MakePrivateFolders(file.parent_path().u8string(), reason))
        return {false, reason};
    const std::optional<std::uint64_t> size = FileSize(path_, reason);
    if (!reason.empty())
        return {false, "cannot open " + path_ + ": " + reason};
    if (!size && readOnly_) {
        absent_ = true;
        return {};
    }
    if (!size) {
        if (RecordResult r = Create(); !r)
            return r;
    } else if (*size == 0) {
        return {false, path_ +
                           " is an empty file, not a record: the record that was there is gone. "
                           "It is left as it is; restore it from a backup, or remove it to "
                           "start a new record"};
    }
    return OpenExisting();
}

RecordResult SqliteDatabase::Create() {
    std::string reason;
    std::mt19937_64 random{std::random_device{}()};
    const std::string temp = path_ + ".new-" + std::to_string(random());
    if (!CreatePrivateFile(temp, reason))
        return {false, reason};
    // The schema in a rollback journal, then WAL mode (kept in the file itself, so no program
    // switches it later while others have the file open); closing the only connection leaves no
    // -wal file beside a name that is about to change.
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    if (ok) {
        const std::string setup =
            std::string("BEGIN;") + kRecordSchema + "\nCOMMIT; PRAGMA journal_mode=WAL;";
        ok = sqlite3_exec(db, setup.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    if (!ok)
        reason = "cannot create " + path_ + ": " + (db != nullptr ? sqlite3_errmsg(db) : "");
    sqlite3_close_v2(db);
    bool exists = false;
    if (ok && !RenameNoReplace(temp, path_, exists, reason) && !exists)
        ok = false;
    // Another program created the record at the same moment: its file is the record.
    RemoveFile(temp);
    RemoveFile(temp + "-journal");
    if (!ok)
        return {false, reason};
    return {};
}

RecordResult SqliteDatabase::OpenExisting() {
    // Never SQLITE_OPEN_CREATE: a record that vanished since is not silently begun again. A
    // read-only use opens it for writing all the same, only to read: its last close then
    // removes the WAL's files as a writer's does.
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        RecordResult r{false, "cannot open " + path_ + ": " + LastError()};
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return r;
    }
    sqlite3_busy_timeout(db_, busyTimeoutMs_);
    if (readOnly_)
        return {};
    // The schema of this version over whatever an older version made (WAL mode included); every
    // statement of it can run again.
    const std::string setup = std::string(
                                  "PRAGMA foreign_keys=ON; PRAGMA journal_mode=WAL;"
                                  " BEGIN IMMEDIATE;") +
                              kRecordSchema + "\nCOMMIT;";
    if (sqlite3_exec(db_, setup.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        RecordResult r = Failure("cannot set up " + path_);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return r;
    }
    return {};
}

}  // namespace bpconf::platform
