// bpconf-cli: the headless tool for line engineers. It drives the very same update run as the
// window, through an in-memory window, with the window's defaults as its defaults. One run may
// configure several printers at once, each with its own pacing and its own serial number.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/CliOptions.h"
#include "platform/Environment.h"

using namespace bpconf;
using namespace bpconf::cli;

int main(int argc, char** argv) {
    platform::PrepareConsole();
    const std::vector<std::string> args = platform::CommandLineArguments(argc, argv);
    if (args.size() < 2)
        return Usage("");
    const std::string command = args[1];
    if (command == "--help" || command == "-h" || command == "help")
        return Help();
    if (command == "--version") {
        std::cout << "bpconf-cli " BPCONF_VERSION "\n";
        return 0;
    }
    if (command == "units")
        return Units(args);
    if (command == "report")
        return Report(args);
    if (command == "db")
        return Database(args);
    const bool runLike = command == "run" || command == "frames";
    Options options;
    std::string error;
    if (command != "printers" && command != "decode" && command != "send" && !runLike) {
        return Usage("unknown command " + command);
    }
    if (!ParseOptions(args, runLike, runLike || command == "send", options, error))
        return Usage(error);
    if (command == "printers")
        return Printers();
    if (command == "decode")
        return Decode(options);
    if (command == "send")
        return Send(options);
    return Run(options, command == "frames");
}
