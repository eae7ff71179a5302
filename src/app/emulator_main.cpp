// bpconf-printer-emulator: a socket printer on 127.0.0.1 for a CUPS queue to print to. Every
// connection is one job, saved whole as DIR/job-0001.bin, job-0002.bin, …
//
//   bpconf-printer-emulator --dir DIR [--port N] [--port-file FILE]
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "platform/TcpJobServer.h"

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
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--dir")
            dir = argv[i + 1];
        else if (option == "--port")
            port = std::stoi(argv[i + 1]);
        else if (option == "--port-file")
            portFile = argv[i + 1];
        else {
            std::cerr << "usage: bpconf-printer-emulator --dir DIR [--port N] [--port-file FILE]\n";
            return 2;
        }
    }
    if (dir.empty()) {
        std::cerr << "bpconf-printer-emulator: --dir is required\n";
        return 2;
    }
    fs::create_directories(dir);
    int saved = 0;
    bpconf::platform::TcpJobServer server([&](const std::string& job) {
        char name[32];
        std::snprintf(name, sizeof name, "job-%04d.bin", ++saved);
        const fs::path target = fs::path(dir) / name;
        const fs::path temp = target.string() + ".part";
        std::ofstream(temp, std::ios::binary)
            .write(job.data(), static_cast<std::streamsize>(job.size()));
        fs::rename(temp, target);
    });
    if (!server.Start(port)) {
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
