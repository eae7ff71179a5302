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
    bool Lost(const PgResult& result) const;

    // The statement with text parameters, answered within kAnswerBoundMs: a server or network
    // that hangs gives a failure and a connection closed, never a program that waits for ever.
    // Without a connection the result says so.
    PgResult Exec(const char* sql, const std::vector<std::string>& params = {});
    // Several statements in one text (the schema).
    PgResult ExecScript(const char* sql);
    // A statement asked again once, on a connection opened afresh, when the server dropped the
    // connection since the last call (a restart, a crash between runs or before a run's serial
    // step). Only for statements that are safe to ask twice: one that failed with its
    // connection never took effect, or a second one finds its work done.
    PgResult Query(const char* sql, const std::vector<std::string>& params = {});
    // Starts a transaction (sql: "BEGIN" with its options) through Query, so a connection the
    // server dropped is opened again before anything of the transaction happened.
    bool Begin(const char* sql, std::string& reason);
    // A statement whose result says nothing the caller needs (ROLLBACK after a failure).
    void Run(const char* sql);

    std::string Where() const { return where_.empty() ? std::string("PostgreSQL") : where_; }

    // How long a statement may go unanswered: past the server's own bounds (15 s a statement,
    // 5 s a lock), so only a server or a network that hangs meets it.
    static constexpr int kAnswerBoundMs = 20000;

  private:
    // The answer to what was sent (sent: it was), within the bound.
    PgResult Await(bool sent);
    std::string url_;
    std::string where_;
    pg_conn* conn_ = nullptr;
};

}  // namespace bpconf::platform
