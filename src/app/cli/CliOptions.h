// bpconf-cli: what its commands share — the options, the targets, exit statuses and output.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "operator/Profile.h"
#include "operator/RunTimeouts.h"
#include "platform/Backends.h"

namespace bpconf::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitEndedEarly = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDeliveryFailed = 3;
inline constexpr int kExitRecordFailed = 4;  // configured, but the record could not be written

// A profile is a few dozen lines; a larger file is no profile.
inline constexpr std::uint64_t kMaxProfileBytes = 1u << 20;

// Where a run sends: an installed printer (empty: the default one), a port, or the capture
// printer writing into a folder.
struct Target {
    enum class Kind { Printer, Port, Capture };
    Kind kind = Kind::Printer;
    std::string name;
};

// The options of every command; run and frames take all of them.
struct Options {
    std::vector<Target> targets;
    std::vector<std::string> profiles;  // in the order given: a later one's keys win
    std::string package, language, jobTimeout;
    std::vector<std::string> sets;
    std::vector<std::string> files;
    bool noPacing = false;
    bool reuseSerial = false;
    int jobTimeoutMs = op::kDefaultJobTimeoutMs;
};

// Parses the options after the command (runOptions: those of run and frames; sendsJobs: the job
// timeout); false with a message on a usage error.
bool ParseOptions(const std::vector<std::string>& argv, bool runOptions, bool sendsJobs, Options& o,
                  std::string& error);

// The value of the option at args[i], which moves i past it; false with "OPTION needs a value"
// when the arguments end there.
bool NextValue(const std::vector<std::string>& args, std::size_t& i, std::string& into,
               std::string& error);

// The usage on standard output, exit 0: what --help asks for.
int Help();
// A usage error: the message and where to read more, on standard error (the whole usage when
// there is no message: no command at all); returns kExitUsage.
int Usage(const std::string& message);

// One line on the stream; lines of several targets' threads never mix.
void PrintLine(std::ostream& out, const std::string& line);

// A whole regular file (never a FIFO or a device, which could block or never end).
bool ReadInputFile(const std::string& path, std::uint64_t maxSize, std::string& out,
                   std::string& reason);

std::string CaptureDirFromEnvironment();
// The platform's services for one target: the capture printer writes into the target's folder,
// or into BPCONF_CAPTURE_DIR for "--printer bpconf-capture".
platform::SystemBackends BackendsFor(const Target& target, const platform::LineSettings& line = {});
std::string PrinterNameOf(const Target& target);
// The folder a target's capture printer writes into ("" for none).
std::string CaptureDirOf(const Target& target);

// "error N: text".
std::string ErrorLine(std::uint32_t error);

// The commands.
int Printers();
int Decode(const Options& o);
int Send(const Options& o);
int Run(const Options& o, bool dryRun);
int Units(const std::vector<std::string>& args);
int Report(const std::vector<std::string>& args);
// "YYYY-MM-DD", a day of the calendar.
bool IsDate(const std::string& text);
int Database(const std::vector<std::string>& args);

// Reads the named profiles; false with a message when one cannot be read.
bool ReadProfiles(const std::vector<std::string>& paths, std::vector<op::ProfileText>& profiles,
                  std::string& error);
// The line settings of the environment, with the [line] sections of the profiles taking
// precedence; false with a message when a profile cannot be read or used.
bool LineSettingsFor(const std::vector<std::string>& profiles, platform::LineSettings& line,
                     std::string& error);
// The line settings of the environment with those of the profiles' [line] sections.
platform::LineSettings LineSettingsWith(const op::LineProfile& lineProfile);

}  // namespace bpconf::cli
