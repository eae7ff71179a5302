#include "transport/untByteList.h"

#include "platform/Files.h"
#include "transport/Errors.h"

namespace bpconf {

namespace {

[[noreturn]] void RaiseIndexError(int index) {
    throw ListIndexError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

std::uint8_t THfByteList::Get(int index) const {
    if (index < 0 || index >= Count()) {
        RaiseIndexError(index);
    }
    return bytes_[static_cast<std::size_t>(index)];
}

void THfByteList::Put(int index, std::uint8_t value) {
    if (index < 0 || index >= Count()) {
        RaiseIndexError(index);
    }
    bytes_[static_cast<std::size_t>(index)] = value;
}

void THfByteList::AddList(const THfByteList& other) {
    if (&other == this) {
        bytes_.reserve(bytes_.size() * 2);
        const std::size_t n = bytes_.size();
        for (std::size_t i = 0; i < n; ++i) {
            bytes_.push_back(bytes_[i]);
        }
        return;
    }
    bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end());
}

std::string THfByteList::HexDump() const {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    // Three characters a byte plus two for every line break.
    text.reserve(bytes_.size() * 3 + (bytes_.size() / 16) * 2);
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        const std::uint8_t b = bytes_[i];
        text += ' ';
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
        if (i % 16 == 15) {
            text += "\r\n";
        }
    }
    return text;
}

void THfByteList::LoadFromFile(const std::string& fileName, std::uint64_t maxSize) {
    platform::FileReadResult read = platform::ReadWholeFile(fileName, maxSize);
    if (!read.ok) {
        throw FileOpenError("Cannot open file \"" + fileName + "\". " + read.reason);
    }
    // Replaced only after the whole file was read, so a failure leaves the list as it was.
    bytes_ = std::move(read.bytes);
}

THfByteList THfByteList::FromString(const std::string& text) {
    return THfByteList(std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace bpconf
