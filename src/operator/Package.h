// The loaded update package (PackageList): the byte lists the self-test information message and
// the test print carry, with the file's name, size and SHA-256 for the record.
#pragma once

#include <cstdint>
#include <string>

#include "transport/untByteList.h"

namespace bpconf::op {

class Package {
  public:
    // One byte list after a successful choice.
    const ByteLists& List() const { return list_; }
    bool Empty() const { return list_.empty(); }
    // The file name (without its folder); "" without a package.
    const std::string& FileName() const { return fileName_; }
    std::uint64_t Size() const;
    // Lower-case hex, computed once per package.
    const std::string& Sha256() const;

    void Set(std::unique_ptr<THfByteList> list, const std::string& path);
    void Release();

  private:
    ByteLists list_;
    std::string fileName_;
    mutable std::string sha256_;  // "" until asked for
};

}  // namespace bpconf::op
