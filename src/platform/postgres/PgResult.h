// A result of the line's database, cleared whatever way the scope is left; or a failure of the
// tool's own (no connection, no answer in time) with its words.
#pragma once

#include <string>

struct pg_result;

namespace bpconf::platform {

class PgResult {
  public:
    explicit PgResult(pg_result* r, std::string failure = "")
        : r_(r), failure_(std::move(failure)) {}
    ~PgResult();
    PgResult(PgResult&& other) noexcept : r_(other.r_), failure_(std::move(other.failure_)) {
        other.r_ = nullptr;
    }
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;
    PgResult& operator=(PgResult&&) = delete;
    bool Ok() const;
    int Rows() const;
    std::string Text(int row, int column) const;
    // The rows an INSERT, UPDATE or DELETE changed.
    int Changed() const;
    std::string State() const;  // the SQLSTATE code; "" for a failure of libpq's or the tool's
    // The server's words; for a missing table, first how to set the database up.
    std::string Error() const;
    const pg_result* Raw() const { return r_; }

  private:
    pg_result* r_;
    std::string failure_;
};

}  // namespace bpconf::platform
