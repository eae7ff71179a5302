#include "platform/postgres/PgConnection.h"

#include <libpq-fe.h>

#include <cstdlib>

#include "platform/AsciiText.h"

namespace bpconf::platform {

namespace {

// The server's words without the line break it ends them with.
std::string Words(const char* text) {
    return text::Trim(text != nullptr ? text : "");
}

}  // namespace

PgConnection::~PgConnection() {
    if (conn_ != nullptr)
        PQfinish(conn_);
}

bool PgConnection::Ensure(std::string& reason) {
    if (conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK)
        return true;
    if (conn_ != nullptr)
        PQfinish(conn_);
    // The URL's own settings win over these defaults: they come after them. Keepalives find a
    // station that vanished mid-transaction within a minute.
    const char* keys[] = {
        "connect_timeout",     "application_name", "keepalives", "keepalives_idle",
        "keepalives_interval", "keepalives_count", "dbname",     nullptr};
    const char* values[] = {"5", "bpconf", "1", "20", "10", "3", url_.c_str(), nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (PQstatus(conn_) != CONNECTION_OK) {
        reason = "the database cannot be reached: " + Words(PQerrorMessage(conn_));
        PQfinish(conn_);
        conn_ = nullptr;
        return false;
    }
    // The server's notices ("already exists, skipping") are no business of the operator.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
    // No statement, lock wait or forgotten transaction holds the line's sequence for long.
    PQclear(PQexec(conn_,
                   "SET statement_timeout = 15000; SET lock_timeout = 5000;"
                   " SET idle_in_transaction_session_timeout = 30000"));
    where_ = std::string("PostgreSQL ") + PQdb(conn_) + "@" + PQhost(conn_);
    return true;
}

bool PgConnection::Lost(const pg_result* r) const {
    if (Broken())
        return true;
    if (PQresultStatus(r) != PGRES_FATAL_ERROR)
        return false;
    // The first statement after the server went away fails before libpq marks the connection
    // bad: an error of libpq's own (no SQLSTATE), a connection exception (class 08) or the
    // server shutting down (57P01 to 57P03) all mean the connection is gone.
    const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
    if (state == nullptr || *state == '\0')
        return true;
    const std::string code = state;
    return code.rfind("08", 0) == 0 || code == "57P01" || code == "57P02" || code == "57P03";
}

bool PgConnection::Broken() const {
    return conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK;
}

pg_result* PgConnection::Exec(const char* sql, const std::vector<std::string>& params) {
    std::vector<const char*> values;
    for (const auto& p : params)
        values.push_back(p.c_str());
    return PQexecParams(conn_, sql, static_cast<int>(values.size()), nullptr, values.data(),
                        nullptr, nullptr, 0);
}

pg_result* PgConnection::ExecScript(const char* sql) {
    return PQexec(conn_, sql);
}

pg_result* PgConnection::Query(const char* sql, const std::vector<std::string>& params,
                               std::string& reason) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!Ensure(reason))
            return nullptr;
        PGresult* r = Exec(sql, params);
        const ExecStatusType s = PQresultStatus(r);
        if (s == PGRES_TUPLES_OK || s == PGRES_COMMAND_OK || attempt > 0 || !Lost(r))
            return r;
        PQclear(r);
        // Opened afresh on the next attempt.
        PQfinish(conn_);
        conn_ = nullptr;
    }
    return nullptr;
}

bool PgConnection::Begin(const char* sql, std::string& reason) {
    pg_result* started = Query(sql, {}, reason);
    if (started == nullptr)
        return false;
    PgResult begin(started);
    if (!begin.Ok())
        reason = begin.Error();
    return begin.Ok();
}

void PgConnection::Run(const char* sql) {
    PQclear(Exec(sql));
}

}  // namespace bpconf::platform
