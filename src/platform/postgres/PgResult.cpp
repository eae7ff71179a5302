#include "platform/postgres/PgResult.h"

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

PgResult::~PgResult() {
    PQclear(r_);
}

bool PgResult::Ok() const {
    if (r_ == nullptr)
        return false;
    const ExecStatusType s = PQresultStatus(r_);
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
}

int PgResult::Rows() const {
    return r_ != nullptr ? PQntuples(r_) : 0;
}

std::string PgResult::Text(int row, int column) const {
    return PQgetvalue(r_, row, column);
}

int PgResult::Changed() const {
    return r_ != nullptr ? std::atoi(PQcmdTuples(r_)) : 0;
}

std::string PgResult::State() const {
    return r_ != nullptr ? Words(PQresultErrorField(r_, PG_DIAG_SQLSTATE)) : "";
}

std::string PgResult::Error() const {
    if (!failure_.empty() || r_ == nullptr)
        return failure_.empty() ? "no answer from the database" : failure_;
    // A table of the tool missing (SQLSTATE undefined_table): the database was never set up.
    if (State() == "42P01")
        return "the line's database is not set up for this tool (run `bpconf-cli db init`): " +
               Words(PQresultErrorMessage(r_));
    return Words(PQresultErrorMessage(r_));
}

}  // namespace bpconf::platform
