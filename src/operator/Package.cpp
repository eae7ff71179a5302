#include "operator/Package.h"

#include "platform/Sha256.h"

namespace bpconf::op {

namespace {

// The last part of a path, with either separator.
std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::uint64_t Package::Size() const {
    std::uint64_t size = 0;
    for (const auto& list : list_)
        size += list->Bytes().size();
    return size;
}

const std::string& Package::Sha256() const {
    if (sha256_.empty() && !list_.empty()) {
        std::vector<std::uint8_t> bytes;
        for (const auto& list : list_)
            bytes.insert(bytes.end(), list->Bytes().begin(), list->Bytes().end());
        sha256_ = platform::Sha256Hex(bytes);
    }
    return sha256_;
}

void Package::Set(std::unique_ptr<THfByteList> list, const std::string& path) {
    Release();
    list_.push_back(std::move(list));
    fileName_ = BaseName(path);
}

void Package::Release() {
    list_.clear();
    fileName_.clear();
    sha256_.clear();
}

}  // namespace bpconf::op
