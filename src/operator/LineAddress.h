// The address of a line's database as stations are given it (BPCONF_DATABASE_URL, database= in a
// profile): checked before anything uses it, and shown without its password.
#pragma once

#include <string>

namespace bpconf::op {

// What is wrong with the address, in the operator's language, or "" when it is one a line may
// use: "postgresql://…" or "postgres://…", or the keyword form "host=… dbname=…". The text shows
// the address without its password.
std::string LineAddressProblem(const std::string& interfaceLanguage, const std::string& address);

// The address with its password replaced by "***" (user:password@ and password=…).
std::string ShownLineAddress(const std::string& address);

}  // namespace bpconf::op
