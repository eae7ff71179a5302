// Reading a whole file, as the byte list's LoadFromFile needs it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bpconf::platform {

struct FileReadResult {
    bool ok = false;
    std::vector<std::uint8_t> bytes;
    std::string reason;  // the system's reason when !ok, in its own words
};

// Opens the file for reading, takes its size, refuses it with "file too large" above maxSize
// before reading anything, and reads it whole.
FileReadResult ReadWholeFile(const std::string& path, std::uint64_t maxSize);

}  // namespace bpconf::platform
