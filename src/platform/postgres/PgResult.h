// A result of the line's database, cleared whatever way the scope is left.
#pragma once

#include <string>

struct pg_result;

namespace bpconf::platform {

class PgResult {
  public:
    explicit PgResult(pg_result* r) : r_(r) {}
    ~PgResult();
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;
    bool Ok() const;
    int Rows() const;
    std::string Text(int row, int column) const;
    // The rows an INSERT, UPDATE or DELETE changed.
    int Changed() const;
    std::string State() const;  // the SQLSTATE code
    // The server's words; for a missing table, first how to set the database up.
    std::string Error() const;

  private:
    pg_result* r_;
};

}  // namespace bpconf::platform
