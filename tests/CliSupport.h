// Runs bpconf-cli as a user would, with its own counter folder, and collects what it printed.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "Doubles.h"
#include "TestSupport.h"
#include "protocol/Decoder.h"

namespace bpconf::test {

struct CliResult {
    int status = -1;
    std::string out, err;
};

// A scheduler that does not exist: the tool started by a test never reaches a desk's own
// printers. Tests through the private scheduler name it with PrivateSchedulerEnv().
inline std::string NoScheduler() {
    return "/nonexistent/bpconf-test-cups.sock";
}

inline std::string PrivateSchedulerEnv() {
    const char* server = std::getenv("BPCONF_TEST_CUPS_SERVER");
    return std::string("CUPS_SERVER='") + (server != nullptr ? server : "") + "'";
}

// Runs `bpconf-cli ARGS` in a shell with XDG_CONFIG_HOME and XDG_DATA_HOME set to home (the
// counter file's and the record's folder), and no line database.
inline CliResult Cli(const std::string& args, const TempDir& home, const std::string& env = "") {
    const std::string out = home / "stdout", err = home / "stderr";
    const std::string command = "XDG_CONFIG_HOME='" + home.path().string() + "' XDG_DATA_HOME='" +
                                home.path().string() +
                                "' BPCONF_DATABASE_URL= BPCONF_STATION= CUPS_SERVER='" +
                                NoScheduler() + "' LANG=C LC_ALL= " + env + " '" BPCONF_CLI "' " +
                                args + " >'" + out + "' 2>'" + err + "' </dev/null";
    const int raw = std::system(command.c_str());
    CliResult r;
    r.status = raw == -1 ? -1 : (raw >> 8) & 0xFF;  // the exit status of a POSIX shell
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
}

inline std::string CounterFile(const TempDir& home) {
    return (home.path() / "kelvor/PrinterTest.reg").string();
}

inline void WriteCounter(const TempDir& home, const std::string& value) {
    std::filesystem::create_directories(home.path() / "kelvor");
    std::ofstream(CounterFile(home)) << "Windows Registry Editor Version 5.00\r\n\r\n"
                                        "[HKEY_CURRENT_USER\\SOFTWARE\\kelvor\\PrinterTest]\r\n"
                                        "\"Num\"=\""
                                     << value << "\"\r\n";
}

// A shell command that starts a run with the window's pacing (command: its environment and the
// program with its options, capturing into folder), waits until its serial number's job (the
// eighth of a default run) is in the folder and kills it with SIGKILL: the number is then on the
// unit and the run can no longer settle it, the moment the serial-number policy must survive.
inline std::string KillAfterTheStamp(const std::string& command, const std::string& folder) {
    const std::string count = "$(ls '" + folder + "' 2>/dev/null | grep -c '^job-.*\\.bin$')";
    return "before=" + count + "; " + command + " >/dev/null 2>&1 & pid=$!; " +
           "for _ in $(seq 1 1200); do [ " + count +
           " -ge $((before + 8)) ] && break; kill -0 $pid 2>/dev/null || break; sleep 0.05; "
           "done; kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null; true";
}

// Every STSN text in the job files of a folder, with how many units got it.
inline std::map<std::string, int> StampedSerials(const std::string& dir) {
    std::map<std::string, int> serials;
    if (!std::filesystem::exists(dir))
        return serials;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".bin")
            continue;
        for (const auto& m : protocol::Decode(Slurp(entry.path().string()))) {
            if (m.code == "STSN")
                ++serials[m.text];
        }
    }
    return serials;
}

inline std::vector<std::string> Duplicates(const std::map<std::string, int>& serials) {
    std::vector<std::string> twice;
    for (const auto& [serial, units] : serials) {
        if (units > 1)
            twice.push_back(serial + " x" + std::to_string(units));
    }
    return twice;
}

}  // namespace bpconf::test
