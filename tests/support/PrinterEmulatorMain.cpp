// bpconf-printer-emulator: a socket printer on 127.0.0.1 for a CUPS queue to print to. Every
// connection is one job, saved whole as DIR/job-0001.bin, job-0002.bin, … It can fail the ways
// a real Bluetooth printer does:
//
//   bpconf-printer-emulator --dir DIR [--port N] [--port-file FILE]
//       [--refuse | --never-read | --close-after BYTES | --stall-ms MS-PER-BYTE]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "TcpJobServer.h"

namespace {

std::atomic<bool> gStop{false};

void OnSignal(int) {
    gStop = true;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::string dir, portFile;
    int port = 0;
    bpconf::test::PrinterFaults faults;
    const char* usage =
        "usage: bpconf-printer-emulator --dir DIR [--port N] [--port-file FILE]\n"
        "       [--refuse | --never-read | --close-after BYTES | --stall-ms MS-PER-BYTE]\n";
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--refuse") {
            faults.refuse = true;
        } else if (option == "--never-read") {
            faults.neverRead = true;
        } else if (option == "--dir" && hasValue) {
            dir = argv[++i];
        } else if (option == "--port" && hasValue) {
            port = std::stoi(argv[++i]);
        } else if (option == "--port-file" && hasValue) {
            portFile = argv[++i];
        } else if (option == "--close-after" && hasValue) {
            faults.closeAfter = std::stoul(argv[++i]);
        } else if (option == "--stall-ms" && hasValue) {
            faults.stallMsPerByte = std::stoi(argv[++i]);
        } else {
            std::cerr << usage;
            return 2;
        }
    }
    if (dir.empty()) {
        std::cerr << "bpconf-printer-emulator: --dir is required\n";
        return 2;
    }
    fs::create_directories(dir);
    // Numbering goes on after the jobs already in the folder: an emulator started again never
    // overwrites what an earlier one received.
    int saved = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        int n = 0;
        if (std::sscanf(entry.path().filename().string().c_str(), "job-%d.bin", &n) == 1)
            saved = std::max(saved, n);
    }
    bpconf::test::TcpJobServer server([&](const std::string& job) {
        char name[32];
        std::snprintf(name, sizeof name, "job-%04d.bin", ++saved);
        const fs::path target = fs::path(dir) / name;
        const fs::path temp = target.string() + ".part";
        std::ofstream(temp, std::ios::binary)
            .write(job.data(), static_cast<std::streamsize>(job.size()));
        fs::rename(temp, target);
    });
    if (!server.Start(port, faults)) {
        std::cerr << "bpconf-printer-emulator: cannot listen on 127.0.0.1:" << port << "\n";
        return 1;
    }
    if (!portFile.empty()) {
        std::ofstream(portFile + ".part") << server.Port() << "\n";
        fs::rename(portFile + ".part", portFile);
    }
    std::cout << "listening on 127.0.0.1:" << server.Port() << ", jobs in " << dir << std::endl;
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    while (!gStop)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server.Stop();
    return 0;
}
