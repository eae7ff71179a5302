// Reading a whole file, as the byte list's LoadFromFile needs it, and publishing a new file that
// several writers may be publishing into the same folder at once.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
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

// Writes data into folder under a temporary name of its own, flushes it, then gives it the name
// nameFor(n) for the first n from `first` on whose name is free. The file appears whole and never
// replaces another, so writers in other threads or processes each get a name of their own.
// Returns the path taken, or nothing with the system's reason.
std::optional<std::string> PublishNewFile(const std::string& folder, const std::string& data,
                                          const std::function<std::string(int)>& nameFor, int first,
                                          std::string& reason);

}  // namespace bpconf::platform
