#include "app/cli/CliOptions.h"

#include <iostream>
#include <mutex>

#include "operator/LineAddress.h"
#include "operator/Profile.h"
#include "platform/ErrorNumbers.h"
#include "platform/Files.h"

namespace bpconf::cli {

namespace {

const char* const kUsage =
    "usage: bpconf-cli COMMAND [options]\n"
    "  printers                       the installed printers; the default one starts with \"* \"\n"
    "  run [options]                  the update run of the window, status lines on stdout\n"
    "  frames [options]               the messages the run would send, as hex; nothing is sent\n"
    "  send [--printer NAME | --port NAME | --capture DIR] FILE\n"
    "                                 the package's bytes unchanged, as one job (test print)\n"
    "  decode [FILE...]               the messages held in captured bytes (stdin without FILE)\n"
    "  units [--since DATE] [--until DATE] [--station S] [--serial N] [--format csv|json]\n"
    "        [--outcome finished|failed|ended-early|closed]... [--excel] [--profile FILE]\n"
    "                                 the record of the runs (CSV by default; DATE: YYYY-MM-DD;\n"
    "                                 --excel: CSV with a UTF-8 byte-order mark)\n"
    "  units --summary [--by day|hour]  per station: units, finished, failed, serial numbers\n"
    "  units --check [--month yyyyMM] every serial number of the month accounted for; exit 1\n"
    "                                 when one is on two units without a confirmed reuse\n"
    "  report [--since DATE] [--until DATE] [--station S] [--language chinese|english]\n"
    "         [-o FILE] [--watch SECONDS] [--profile FILE]\n"
    "                                 the supervisor's page (HTML; bpconf-report.html), from the\n"
    "                                 same record as units; --watch rewrites it every SECONDS\n"
    "  db init [--profile FILE]       creates (or brings up to date) the line's tables\n"
    "  db set-counter N [--force] [--month yyyyMM] [--profile FILE]\n"
    "                                 sets the serial-number counter (the line's, or this\n"
    "                                 station's); --force: below numbers already taken\n"
    "  db sync                        sends what waits on this station for the line\n"
    "  db release-station NAME        frees a station name another machine held\n"
    "  db leave                       this station leaves its line on purpose\n"
    "options of run and frames:\n"
    "  --printer NAME  --port NAME  --capture DIR   the target; run takes several of them\n"
    "  --profile FILE (several: in order, a later key wins)  --set KEY=VALUE (after them)\n"
    "  --package FILE  --language chinese|english\n"
    "  --job-timeout SECONDS (how long a job may take to reach the printer, 1 to 86400; default "
    "30)\n"
    "  --no-pacing (emulators only)  --reuse-serial (stamp a serial number used before)\n"
    "the line: BPCONF_STATION, BPCONF_DATABASE_URL, or station= and database= in [line]\n";

std::mutex gOutput;

}  // namespace

bool IsDate(const std::string& s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (s[i] < '0' || s[i] > '9')
            return false;
    }
    const int year = std::stoi(s.substr(0, 4)), month = std::stoi(s.substr(5, 2)),
              day = std::stoi(s.substr(8, 2));
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month >= 1 && month <= 12 && day >= 1 && day <= days[month - 1];
}

void PrintLine(std::ostream& out, const std::string& line) {
    std::lock_guard<std::mutex> lock(gOutput);
    out << line << std::endl;
}

int Help() {
    std::cout << kUsage << "  --help  --version\n";
    return 0;
}

int Usage(const std::string& message) {
    if (message.empty())
        std::cerr << kUsage;
    else
        std::cerr << "bpconf-cli: " << message << "\nsee bpconf-cli --help\n";
    return kExitUsage;
}

bool ReadInputFile(const std::string& path, std::uint64_t maxSize, std::string& out,
                   std::string& reason) {
    platform::FileReadResult read = platform::ReadWholeFile(path, maxSize);
    if (!read.ok) {
        reason = read.reason;
        return false;
    }
    out.assign(read.bytes.begin(), read.bytes.end());
    return true;
}

bool NextValue(const std::vector<std::string>& args, std::size_t& i, std::string& into,
               std::string& error) {
    if (i + 1 >= args.size()) {
        error = args[i] + " needs a value";
        return false;
    }
    into = args[++i];
    return true;
}

bool ParseOptions(const std::vector<std::string>& argv, bool runOptions, bool sendsJobs, Options& o,
                  std::string& error) {
    bool timeoutGiven = false;
    for (std::size_t i = 2; i < argv.size(); ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& into) { return NextValue(argv, i, into, error); };
        if (a == "--printer" || a == "--port" || a == "--capture") {
            Target t;
            t.kind = a == "--printer" ? Target::Kind::Printer
                     : a == "--port"  ? Target::Kind::Port
                                      : Target::Kind::Capture;
            if (!value(t.name))
                return false;
            if (t.name.empty()) {
                error = a + " needs a name, not an empty text";
                return false;
            }
            for (const auto& other : o.targets) {
                // One printer twice in one run would get two serial numbers.
                if (other.kind == t.kind && other.name == t.name) {
                    error = "the target " + t.name + " is named twice";
                    return false;
                }
            }
            o.targets.push_back(t);
        } else if (runOptions && a == "--profile") {
            std::string path;
            if (!value(path))
                return false;
            o.profiles.push_back(path);
        } else if ((sendsJobs && a == "--job-timeout") ||
                   (runOptions && (a == "--package" || a == "--language"))) {
            std::string& into = a == "--package"    ? o.package
                                : a == "--language" ? o.language
                                                    : o.jobTimeout;
            if (!value(into))
                return false;
            timeoutGiven = timeoutGiven || a == "--job-timeout";
        } else if (runOptions && a == "--set") {
            std::string s;
            if (!value(s))
                return false;
            o.sets.push_back(s);
        } else if (runOptions && a == "--no-pacing") {
            o.noPacing = true;
        } else if (runOptions && a == "--reuse-serial") {
            o.reuseSerial = true;
        } else if (a.rfind("--", 0) == 0) {
            error = "unknown option " + a;
            return false;
        } else {
            o.files.push_back(a);
        }
    }
    if (!o.language.empty() && o.language != "chinese" && o.language != "english") {
        error = "--language takes chinese or english, not '" + o.language + "'";
        return false;
    }
    if (!sendsJobs)
        return true;
    // The option, else the window's environment setting, else the default.
    std::string timeout = o.jobTimeout;
    if (!timeoutGiven) {
        timeout = platform::EnvironmentVariable("BPCONF_JOB_TIMEOUT").value_or("");
    }
    if ((timeoutGiven || !timeout.empty()) && !op::ParseJobTimeout(timeout, o.jobTimeoutMs)) {
        error =
            "--job-timeout (or BPCONF_JOB_TIMEOUT) takes seconds from 1 to 86400 (every job is "
            "followed), not '" +
            timeout + "'";
        return false;
    }
    return true;
}

std::string CaptureDirFromEnvironment() {
    return platform::EnvironmentVariable("BPCONF_CAPTURE_DIR").value_or("");
}

std::string CaptureDirOf(const Target& target) {
    return target.kind == Target::Kind::Capture ? target.name : CaptureDirFromEnvironment();
}

platform::SystemBackends BackendsFor(const Target& target, const platform::LineSettings& line) {
    return platform::CreateSystemBackends(CaptureDirOf(target), line);
}

platform::LineSettings LineSettingsWith(const op::LineProfile& lineProfile) {
    platform::LineSettings line = platform::LineSettingsFromEnvironment();
    if (lineProfile.station)
        line.station = *lineProfile.station;
    if (lineProfile.database)
        line.databaseUrl = *lineProfile.database;
    // A mistyped address is a usage error, found before anything is opened or sent.
    if (!line.databaseUrl.empty()) {
        if (const std::string problem = op::LineAddressProblem("english", line.databaseUrl);
            !problem.empty())
            throw op::UsageError(problem);
    }
    return line;
}

bool ReadProfiles(const std::vector<std::string>& paths, std::vector<op::ProfileText>& profiles,
                  std::string& error) {
    for (const auto& path : paths) {
        op::ProfileText profile{path, ""};
        std::string reason;
        if (!ReadInputFile(path, kMaxProfileBytes, profile.text, reason)) {
            error = "cannot read profile " + path + ": " + reason;
            return false;
        }
        profiles.push_back(std::move(profile));
    }
    return true;
}

bool LineSettingsFor(const std::vector<std::string>& paths, platform::LineSettings& line,
                     std::string& error) {
    std::vector<op::ProfileText> profiles;
    if (!ReadProfiles(paths, profiles, error))
        return false;
    try {
        line = LineSettingsWith(op::LineOfProfiles(profiles));
    } catch (const op::UsageError& e) {
        error = e.what();
        return false;
    }
    return true;
}

std::string PrinterNameOf(const Target& target) {
    return target.kind == Target::Kind::Capture ? platform::kCapturePrinterName : target.name;
}

std::string ErrorLine(std::uint32_t error) {
    const std::string text = platform::winerror::ErrorText(error);
    return "error " + std::to_string(error) + (text.empty() ? "" : ": " + text);
}

}  // namespace bpconf::cli
