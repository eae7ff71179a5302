// bpconf-cli db: the tables of a line's database (init), and setting the serial-number counter
// of the line or of this station by hand (set-counter), which the ledger notes.
#include <iostream>

#include "app/cli/CliOptions.h"
#include "operator/OperatorTexts.h"
#include "operator/Profile.h"
#include "operator/SystemLanguage.h"
#include "platform/AsciiText.h"
#include "platform/RecordSchema.h"
#include "serials/SerialNumber.h"
#include "serials/SerialPolicy.h"

namespace bpconf::cli {

namespace {

// The options after "db SUBCOMMAND": --profile FILE (repeatable), and the flags and values the
// subcommand takes; false with a message.
bool ParseDatabaseOptions(const std::vector<std::string>& args, std::vector<std::string>& profiles,
                          std::vector<std::string>& words, bool& force, std::string& month,
                          bool takesCounter, std::string& error) {
    for (std::size_t i = 3; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--profile" || (takesCounter && a == "--month")) {
            if (!NextValue(args, i, a == "--profile" ? profiles.emplace_back() : month, error))
                return false;
        } else if (takesCounter && a == "--force") {
            force = true;
        } else if (a.rfind("--", 0) == 0) {
            error = "unknown option " + a;
            return false;
        } else {
            words.push_back(a);
        }
    }
    return true;
}

int Init(const platform::LineSettings& line) {
    if (line.databaseUrl.empty()) {
        return Usage(
            "no line database is named (BPCONF_DATABASE_URL, or database= in the "
            "[line] section of a profile)");
    }
    if (const platform::RecordResult r = platform::InitLineDatabaseSchema(line.databaseUrl); !r) {
        std::cerr << "bpconf-cli: the line database cannot be set up: " << r.reason << "\n";
        return kExitEndedEarly;
    }
    std::cout << "the line database is ready (schema version " << platform::kRecordSchemaVersion
              << ")\n";
    return kExitOk;
}

int SetCounter(const platform::LineSettings& line, const std::string& value, bool force,
               const std::string& month) {
    const auto number = serials::ParseTypedCounter(value);
    if (!number)
        return Usage("set-counter takes a counter of digits, not '" + value + "'");
    const std::string stamp =
        month.empty() ? serials::YearMonthStamp(platform::CreateSystemClock()->Now()) : month;
    if (!op::IsYearMonth(stamp))
        return Usage("--month takes yyyyMM, not '" + month + "'");
    const std::string language = op::SystemInterfaceLanguage(*platform::CreateSystemLocale());
    platform::SerialsAndRecord store = platform::CreateSerialsAndRecord(line);
    serials::SerialPolicy policy(*store.book);
    const serials::SerialProblem p = policy.SetCounter(
        *number, stamp, store.station,
        force ? "bpconf-cli db set-counter --force" : "bpconf-cli db set-counter", force);
    if (!p) {
        std::cerr << "bpconf-cli: "
                  << op::CounterNotSavedText(language, value, p, store.book->CounterLocation(),
                                             store.book->LedgerLocation())
                  << "\n";
        if (p.kind == serials::SerialProblem::Kind::BelowLedger)
            std::cerr << "bpconf-cli: --force sets it all the same (noted in the record)\n";
        return kExitEndedEarly;
    }
    std::cout << "the serial-number counter " << store.book->CounterLocation() << " is "
              << serials::FormatCounter(*number) << "\n";
    return kExitOk;
}

}  // namespace

int Database(const std::vector<std::string>& args) {
    const std::string sub = args.size() > 2 ? args[2] : "";
    if (sub != "init" && sub != "set-counter")
        return Usage("db takes the subcommand init or set-counter");
    std::vector<std::string> profiles, words;
    bool force = false;
    std::string month, error;
    if (!ParseDatabaseOptions(args, profiles, words, force, month, sub == "set-counter", error))
        return Usage(error);
    platform::LineSettings line;
    if (!LineSettingsFor(profiles, line, error))
        return Usage(error);
    if (sub == "init") {
        if (!words.empty())
            return Usage("unexpected argument " + words[0]);
        return Init(line);
    }
    if (words.size() != 1)
        return Usage("set-counter takes one counter value");
    return SetCounter(line, words[0], force, month);
}

}  // namespace bpconf::cli
