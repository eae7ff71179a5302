// Reading a whole file, as the byte list's LoadFromFile needs it, publishing a new file that
// several writers may be publishing into the same folder at once, and the station's own folders
// and files, which no other user may replace.
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

// Creates the folder and every missing folder above it, each for the user alone (0700 whatever
// the umask); folders that exist stay as they are. False with the system's reason.
bool MakePrivateFolders(const std::string& folder, std::string& reason);

// Creates a new empty file that only the user may read and write (0600 whatever the umask). A
// name that exists, a symbolic link included, is never opened: false with the reason.
bool CreatePrivateFile(const std::string& path, std::string& reason);

// Gives the file `from` the name `to` unless `to` exists (exists = true then, and `from` stays).
bool RenameNoReplace(const std::string& from, const std::string& to, bool& exists,
                     std::string& reason);

// The size of a file; nothing when there is no file of that name (reason stays empty) or when it
// cannot be asked (reason says why).
std::optional<std::uint64_t> FileSize(const std::string& path, std::string& reason);

// Removes a file when it is there.
void RemoveFile(const std::string& path);

}  // namespace bpconf::platform
