#include "platform/postgres/PgConnection.h"

#include <libpq-fe.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#endif

#include <chrono>
#include <cstdlib>

#include "platform/AsciiText.h"

namespace bpconf::platform {

namespace {

// The server's words without the line break it ends them with.
std::string Words(const char* text) {
    return text::Trim(text != nullptr ? text : "");
}

bool Succeeded(const pg_result* r) {
    const ExecStatusType s = PQresultStatus(r);
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
}

// Whether the socket has something to read within ms.
bool Readable(int socket, int ms) {
#ifdef _WIN32
    WSAPOLLFD p{};
    p.fd = static_cast<SOCKET>(socket);
    p.events = POLLRDNORM;
    return WSAPoll(&p, 1, ms) > 0;
#else
    pollfd p{};
    p.fd = socket;
    p.events = POLLIN;
    return poll(&p, 1, ms) > 0;
#endif
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
    ExecScript(
        "SET statement_timeout = 15000; SET lock_timeout = 5000;"
        " SET idle_in_transaction_session_timeout = 30000");
    if (conn_ == nullptr) {
        reason = "the database cannot be reached: it did not answer";
        return false;
    }
    where_ = std::string("PostgreSQL ") + PQdb(conn_) + "@" + PQhost(conn_);
    return true;
}

bool PgConnection::Lost(const PgResult& r) const {
    if (Broken())
        return true;
    if (r.Ok())
        return false;
    // The first statement after the server went away fails before libpq marks the connection
    // bad: an error of libpq's own (no SQLSTATE), a connection exception (class 08) or the
    // server shutting down (57P01 to 57P03) all mean the connection is gone.
    const std::string code = r.State();
    return code.empty() || code.rfind("08", 0) == 0 || code == "57P01" || code == "57P02" ||
           code == "57P03";
}

bool PgConnection::Broken() const {
    return conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK;
}

PgResult PgConnection::Await(bool sent) {
    if (!sent)
        return PgResult(nullptr, Words(PQerrorMessage(conn_)));
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerBoundMs);
    pg_result* kept = nullptr;  // the first failure, else the last result
    for (;;) {
        while (PQisBusy(conn_)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) {
                // Nobody answers: the connection is given up (the next use opens a new one).
                PQclear(kept);
                PQfinish(conn_);
                conn_ = nullptr;
                return PgResult(nullptr, "the database did not answer within " +
                                             std::to_string(kAnswerBoundMs / 1000) + " s");
            }
            if (Readable(PQsocket(conn_), static_cast<int>(left)) && !PQconsumeInput(conn_))
                break;  // the connection failed: PQgetResult says so
        }
        pg_result* r = PQgetResult(conn_);
        if (r == nullptr)
            break;
        if (kept != nullptr && !Succeeded(kept)) {
            PQclear(r);  // a failure is kept already
        } else {
            PQclear(kept);
            kept = r;
        }
    }
    return PgResult(kept);
}

PgResult PgConnection::Exec(const char* sql, const std::vector<std::string>& params) {
    if (conn_ == nullptr)
        return PgResult(nullptr, "no connection to the database");
    std::vector<const char*> values;
    for (const auto& p : params)
        values.push_back(p.c_str());
    return Await(PQsendQueryParams(conn_, sql, static_cast<int>(values.size()), nullptr,
                                   values.data(), nullptr, nullptr, 0) == 1);
}

PgResult PgConnection::ExecScript(const char* sql) {
    if (conn_ == nullptr)
        return PgResult(nullptr, "no connection to the database");
    return Await(PQsendQuery(conn_, sql) == 1);
}

PgResult PgConnection::Query(const char* sql, const std::vector<std::string>& params) {
    for (int attempt = 0;; ++attempt) {
        std::string reason;
        if (!Ensure(reason))
            return PgResult(nullptr, reason);
        PgResult r = Exec(sql, params);
        if (r.Ok() || attempt > 0 || !Lost(r))
            return r;
        // Opened afresh on the next attempt.
        if (conn_ != nullptr)
            PQfinish(conn_);
        conn_ = nullptr;
    }
}

bool PgConnection::Begin(const char* sql, std::string& reason) {
    const PgResult begin = Query(sql);
    if (!begin.Ok())
        reason = begin.Error();
    return begin.Ok();
}

void PgConnection::Run(const char* sql) {
    Exec(sql);
}

}  // namespace bpconf::platform
