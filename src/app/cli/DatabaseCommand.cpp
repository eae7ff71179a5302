// bpconf-cli db: the tables of a line's database (init); setting the serial-number counter of
// the line or of this station by hand (set-counter), which the ledger notes; sending what waits
// on the station for the line (sync); freeing a station name (release-station) and leaving a
// line on purpose (leave), both noted.
#include <algorithm>
#include <iostream>

#include "app/cli/CliOptions.h"
#include "operator/LineAddress.h"
#include "operator/OperatorTexts.h"
#include "operator/Profile.h"
#include "operator/SystemLanguage.h"
#include "platform/AsciiText.h"
#include "platform/RecordSchema.h"
#include "serials/SerialNumber.h"
#include "serials/SerialPolicy.h"
#include "serials/StationLine.h"

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

constexpr const char* kNoLine =
    "no line database is named (BPCONF_DATABASE_URL, or database= in the [line] section of a "
    "profile)";

int Init(const platform::LineSettings& line) {
    if (line.databaseUrl.empty())
        return Usage(kNoLine);
    if (const platform::RecordResult r = platform::InitLineDatabaseSchema(line.databaseUrl); !r) {
        std::cerr << "bpconf-cli: the line database cannot be set up: " << r.reason << "\n";
        return kExitEndedEarly;
    }
    std::cout << "the line database is ready (schema version " << platform::kRecordSchemaVersion
              << ")\n";
    return kExitOk;
}

std::string Language() {
    return op::SystemInterfaceLanguage(*platform::CreateSystemLocale());
}

// What waits on the station goes to the line, after the checks a run makes before its first
// byte; 0 when nothing waits afterwards.
int Sync(const platform::LineSettings& line) {
    if (line.databaseUrl.empty())
        return Usage(kNoLine);
    platform::SerialsAndRecord store = platform::CreateSerialsAndRecord(line);
    auto station = serials::StationLineOf(store, op::ShownLineAddress(line.databaseUrl));
    if (const serials::LineProblem p = station->Check(); !p) {
        if (p.kind == serials::LineProblem::Kind::Unreachable) {
            std::cerr << "bpconf-cli: the line's database " << p.line
                      << " does not answer: " << p.reason << "\n";
            std::cout << "0 sent to the line, " << station->Waiting() << " waiting\n";
        } else {
            std::cerr << "bpconf-cli: " << op::LineProblemText(Language(), p) << "\n";
        }
        return kExitEndedEarly;
    }
    const serials::SyncReport& r = station->LastSync();
    for (const auto& refused : r.refused)
        std::cerr << "bpconf-cli: the line refused " << refused << "\n";
    for (const auto& serial : r.notSettled) {
        std::cerr << "bpconf-cli: the line's ledger holds no reservation of " << serial
                  << " by its run: it stays as the ledger says\n";
    }
    std::cout << r.sent << " sent to the line, " << r.waiting << " waiting\n";
    if (r.waiting > 0) {
        std::cerr << "bpconf-cli: the rest cannot reach the line now: " << r.reason << "\n";
        return kExitEndedEarly;
    }
    return kExitOk;
}

int ReleaseStation(const platform::LineSettings& line, const std::string& name) {
    if (line.databaseUrl.empty())
        return Usage(kNoLine);
    platform::SerialsAndRecord store = platform::CreateSerialsAndRecord(line);
    auto station = serials::StationLineOf(store, op::ShownLineAddress(line.databaseUrl));
    bool found = false;
    if (const platform::RecordResult r = station->Release(name, found); !r) {
        std::cerr << "bpconf-cli: the station name " << name << " cannot be released: " << r.reason
                  << "\n";
        return kExitEndedEarly;
    }
    if (!found) {
        std::cerr << "bpconf-cli: no machine holds the station name " << name << "\n";
        return kExitEndedEarly;
    }
    std::cout << "the station name " << name
              << " is free: the next machine that runs as it holds it\n";
    return kExitOk;
}

// Leaving needs the line's address: the station's own counter is first set past the line's
// numbers (never back), so the station never stamps a number another station of the line gave.
int Leave(const platform::LineSettings& line) {
    if (line.databaseUrl.empty()) {
        return Usage(std::string(kNoLine) +
                     ": leaving sets this station's counter past the line's numbers first");
    }
    platform::SerialsAndRecord store = platform::CreateSerialsAndRecord(line);
    const platform::StoredValue next = store.book->ReadCounter();
    if (next.kind == platform::StoredValue::Kind::Unreadable) {
        std::cerr << "bpconf-cli: the line's counter " << store.book->CounterLocation()
                  << " cannot be read: " << next.reason << "\n";
        return kExitEndedEarly;
    }
    platform::LineSettings own = line;
    own.databaseUrl.clear();
    platform::SerialsAndRecord station = platform::CreateSerialsAndRecord(own);
    const platform::StoredValue mine = station.book->ReadCounter();
    std::int64_t past = 1;
    for (const platform::StoredValue* v : {&next, &mine}) {
        if (v->kind == platform::StoredValue::Kind::Text) {
            if (const auto n = serials::ParseCounter(v->text))
                past = std::max<std::int64_t>(past, *n);
        }
    }
    if (past != 1 || mine.kind != platform::StoredValue::Kind::Text) {
        serials::SerialPolicy policy(*station.book);
        const serials::SerialProblem p = policy.SetCounter(
            static_cast<std::int32_t>(past),
            serials::YearMonthStamp(platform::CreateSystemClock()->Now()), station.station,
            "bpconf-cli db leave: past the line's numbers", false);
        if (!p) {
            std::cerr << "bpconf-cli: "
                      << op::CounterNotSavedText(Language(), serials::FormatCounter(past), p,
                                                 station.book->CounterLocation(),
                                                 station.book->LedgerLocation())
                      << "\n";
            return kExitEndedEarly;
        }
    }
    auto joined = serials::StationLineOf(store, op::ShownLineAddress(line.databaseUrl));
    std::string left;
    if (const platform::RecordResult r = joined->Leave(left); !r) {
        std::cerr << "bpconf-cli: this station cannot leave its line: " << r.reason << "\n";
        return kExitEndedEarly;
    }
    std::cout << "this station left the line " << left
              << ": it stamps from its own counter from now on, at " << serials::FormatCounter(past)
              << "\n";
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
    const std::string language = Language();
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
    if (sub != "init" && sub != "set-counter" && sub != "sync" && sub != "release-station" &&
        sub != "leave")
        return Usage("db takes the subcommand init, set-counter, sync, release-station or leave");
    std::vector<std::string> profiles, words;
    bool force = false;
    std::string month, error;
    if (!ParseDatabaseOptions(args, profiles, words, force, month, sub == "set-counter", error))
        return Usage(error);
    platform::LineSettings line;
    if (!LineSettingsFor(profiles, line, error))
        return Usage(error);
    if (sub == "release-station") {
        if (words.size() != 1)
            return Usage("release-station takes one station name");
        return ReleaseStation(line, words[0]);
    }
    if (sub != "set-counter" && !words.empty())
        return Usage("unexpected argument " + words[0]);
    if (sub == "init")
        return Init(line);
    if (sub == "sync")
        return Sync(line);
    if (sub == "leave")
        return Leave(line);
    if (words.size() != 1)
        return Usage("set-counter takes one counter value");
    return SetCounter(line, words[0], force, month);
}

}  // namespace bpconf::cli
