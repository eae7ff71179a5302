// SHA-256 (FIPS 180-4) of a byte string, as lower-case hex: the fingerprint of an update package
// in the record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bpconf::platform {

std::string Sha256Hex(const std::uint8_t* data, std::size_t size);
inline std::string Sha256Hex(const std::vector<std::uint8_t>& bytes) {
    return Sha256Hex(bytes.data(), bytes.size());
}

}  // namespace bpconf::platform
