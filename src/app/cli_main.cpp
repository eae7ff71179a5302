// bpconf-cli: the headless tool for line engineers.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "protocol/Decoder.h"

namespace {

int Usage() {
    std::cerr << "usage: bpconf-cli decode [FILE...]\n";
    return 2;
}

// Prints the messages held in captured bytes: standard input, or each file in turn.
int Decode(int argc, char** argv) {
    using bpconf::protocol::Decode;
    using bpconf::protocol::DescribeAll;
    if (argc <= 2) {
        std::string bytes((std::istreambuf_iterator<char>(std::cin)),
                          std::istreambuf_iterator<char>());
        std::cout << DescribeAll(Decode(bytes));
        return 0;
    }
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::cerr << "bpconf-cli: cannot open " << argv[i] << "\n";
            return 2;
        }
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::cout << DescribeAll(Decode(bytes));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    if (command == "decode")
        return Decode(argc, argv);
    return Usage();
}
