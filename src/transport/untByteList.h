// THfByteList: the ordered, growable list of bytes that carries every outgoing message and every
// loaded update package.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bpconf {

// The largest update package the tool reads: a larger file is no update package, and is refused
// before it is read.
inline constexpr std::uint64_t kMaxPackageBytes = 16u << 20;

class THfByteList;
// An ordered list of byte lists that owns them (the loaded update package).
using ByteLists = std::vector<std::unique_ptr<THfByteList>>;

class THfByteList {
  public:
    // No limit on the size of a file LoadFromFile accepts.
    static constexpr std::uint64_t kNoSizeLimit = UINT64_MAX;

    THfByteList() = default;
    explicit THfByteList(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    // The byte at index; ListIndexError "List index out of bounds (%d)" outside 0 .. Count-1.
    std::uint8_t Get(int index) const;
    // Replaces the byte at index; the count does not change. Same failure as Get.
    void Put(int index, std::uint8_t value);
    void Add(std::uint8_t value) { bytes_.push_back(value); }
    // Appends every byte of other in its order; other is not changed (it may be this list).
    void AddList(const THfByteList& other);
    int Count() const { return static_cast<int>(bytes_.size()); }
    void Clear() { bytes_.clear(); }

    // Each byte as a blank and two upper-case hex digits; "\r\n" after every 16th byte.
    std::string HexDump() const;

    // Replaces the contents by the bytes of the file. On failure raises FileOpenError
    // "Cannot open file "%s". %s" and leaves the list as it was. A file larger than maxSize
    // bytes is refused before anything is read, with the reason "file too large".
    void LoadFromFile(const std::string& fileName, std::uint64_t maxSize = kNoSizeLimit);

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    // The bytes as a counted string (0x00 bytes included).
    std::string ToString() const { return std::string(bytes_.begin(), bytes_.end()); }
    static THfByteList FromString(const std::string& text);

  private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace bpconf
