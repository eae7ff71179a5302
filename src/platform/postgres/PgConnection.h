// One connection to the line's PostgreSQL database, opened on first use and opened again after
// the server went away, with the bounds that keep a station from holding the line's lock long.
#pragma once

#include <string>
#include <vector>

#include "platform/postgres/PgResult.h"

struct pg_conn;

namespace bpconf::platform {

class PgConnection {
  public:
    explicit PgConnection(std::string url) : url_(std::move(url)) {}
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Connected, or false with the reason; a connection the server dropped is opened again.
    bool Ensure(std::string& reason);
    bool Broken() const;
    // The result of a statement that failed because the connection is gone.
    bool Lost(const pg_result* result) const;

    // The statement with text parameters; without a connection the result says so.
    pg_result* Exec(const char* sql, const std::vector<std::string>& params = {});
    pg_result* ExecScript(const char* sql);
    // A statement asked again once, on a connection opened afresh, when the server dropped the
    // connection since the last call (a restart, a crash between runs or before a run's serial
    // step); nothing with the reason when there is no connection. Only for statements that are
    // safe to ask twice: one that failed with its connection never took effect, or a second
    // one finds its work done.
    pg_result* Query(const char* sql, const std::vector<std::string>& params, std::string& reason);
    // Starts a transaction (sql: "BEGIN" with its options) through Query, so a connection the
    // server dropped is opened again before anything of the transaction happened.
    bool Begin(const char* sql, std::string& reason);
    // A statement whose result says nothing the caller needs (ROLLBACK after a failure).
    void Run(const char* sql);

    std::string Where() const { return where_.empty() ? std::string("PostgreSQL") : where_; }

  private:
    std::string url_;
    std::string where_;
    pg_conn* conn_ = nullptr;
};

}  // namespace bpconf::platform
