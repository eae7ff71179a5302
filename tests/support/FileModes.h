// The process's umask and a file's permission bits, for the tests of the station's own files.
#pragma once

#include <string>

namespace bpconf::test {

// Sets the process's umask; returns the one before.
unsigned SetUmask(unsigned mask);
// The permission bits of a file or folder (a symbolic link followed); -1 when it is not there.
int ModeOf(const std::string& path);

}  // namespace bpconf::test
