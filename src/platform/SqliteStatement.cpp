#include "platform/SqliteStatement.h"

#include <sqlite3.h>

#include "platform/SqliteDatabase.h"

namespace bpconf::platform {

SqliteStatement::SqliteStatement(SqliteDatabase& db, const char* sql) {
    if (sqlite3_prepare_v2(db.Handle(), sql, -1, &s_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s_);
        s_ = nullptr;
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(s_);
}

int SqliteStatement::Index(int number) const {
    return sqlite3_bind_parameter_index(s_, ("$" + std::to_string(number)).c_str());
}

void SqliteStatement::Bind(int number, const std::string& text) {
    if (const int index = Index(number); index > 0) {
        sqlite3_bind_text(s_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
}

void SqliteStatement::Bind(int number, std::int64_t value) {
    if (const int index = Index(number); index > 0)
        sqlite3_bind_int64(s_, index, value);
}

int SqliteStatement::Step() {
    return sqlite3_step(s_);
}

void SqliteStatement::Reset() {
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
}

std::string SqliteStatement::Text(int column) const {
    const auto* text = sqlite3_column_text(s_, column);
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text),
                                         static_cast<std::size_t>(sqlite3_column_bytes(s_, column)))
                           : std::string();
}

std::int64_t SqliteStatement::Int(int column) const {
    return sqlite3_column_int64(s_, column);
}

}  // namespace bpconf::platform
