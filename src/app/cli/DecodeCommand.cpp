// bpconf-cli decode: the messages held in captured bytes.
#include <iostream>
#include <iterator>

#include "app/cli/CliOptions.h"
#include "protocol/Decoder.h"
#include "transport/untByteList.h"

namespace bpconf::cli {

int Decode(const Options& o) {
    if (o.files.empty()) {
        std::string bytes((std::istreambuf_iterator<char>(std::cin)),
                          std::istreambuf_iterator<char>());
        std::cout << protocol::DescribeAll(protocol::Decode(bytes));
        return kExitOk;
    }
    for (const auto& file : o.files) {
        std::string bytes, reason;
        if (!ReadInputFile(file, THfByteList::kNoSizeLimit, bytes, reason))
            return Usage("cannot read " + file + ": " + reason);
        std::cout << protocol::DescribeAll(protocol::Decode(bytes));
    }
    return kExitOk;
}

}  // namespace bpconf::cli
