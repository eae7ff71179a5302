// A prepared statement of the record's SQLite file, finalized whatever way the scope is left.
// Parameters are bound by their names "$1", "$2", … (SQLite numbers named parameters in the
// order they first appear, which need not be their own numbers), so one statement text serves
// SQLite and PostgreSQL alike.
#pragma once

#include <cstdint>
#include <string>

struct sqlite3_stmt;

namespace bpconf::platform {

class SqliteDatabase;

class SqliteStatement {
  public:
    SqliteStatement(SqliteDatabase& db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool ok() const { return s_ != nullptr; }
    // Binds parameter $number.
    void Bind(int number, const std::string& text);
    void Bind(int number, std::int64_t value);
    // SQLITE_ROW, SQLITE_DONE or the failure's code.
    int Step();
    // Ready to run again with new values.
    void Reset();
    std::string Text(int column) const;
    std::int64_t Int(int column) const;

  private:
    int Index(int number) const;
    sqlite3_stmt* s_ = nullptr;
};

}  // namespace bpconf::platform
