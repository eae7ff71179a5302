// bpconf-cli units: the record of the runs for the quality department (CSV by RFC 4180 with a
// header row, or JSON), a summary per station and day or hour, or the account of a month's
// serial numbers (--check).
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "app/cli/CliOptions.h"
#include "operator/OperatorTexts.h"
#include "operator/Profile.h"
#include "platform/AsciiText.h"
#include "platform/Backends.h"
#include "platform/CodePageText.h"
#include "platform/RecordSchema.h"
#include "serials/SerialAccount.h"
#include "serials/SerialNumber.h"
#include "serials/StationLine.h"

namespace bpconf::cli {

namespace {

struct UnitsOptions {
    platform::UnitQuery query;
    std::string format = "csv";
    std::vector<std::string> profiles;
    bool summary = false;
    bool excel = false;              // CSV with a UTF-8 byte-order mark, as Excel wants it
    std::string by = "day";          // --summary per day or per hour
    std::set<std::string> outcomes;  // the record's outcomes asked for; empty: all
    bool check = false;              // the account of a month's serial numbers
    std::string month;               // --check: yyyyMM, this month when empty
};

// --outcome's words, and the record's outcomes each stands for.
const std::map<std::string, std::vector<std::string>>& OutcomeWords() {
    static const std::map<std::string, std::vector<std::string>> words = {
        {"finished", {"finished"}},
        {"failed", {"delivery failed", "not confirmed"}},
        {"ended-early", {"ended early"}},
        {"closed", {"closed"}},
    };
    return words;
}

// --serial: a whole serial number, or its counter alone ("0017", "17") for this month's.
bool ReadSerialOption(std::string& serial, std::string& error) {
    if (serial.empty())
        return true;
    if (!text::IsDigits(serial)) {
        error = "a serial number is digits (2026120017, or 0017 for this month's), not '" + serial +
                "'";
        return false;
    }
    if (serial.size() <= 6) {
        const auto counter = serials::ParseTypedCounter(serial);
        if (!counter) {
            error = "'" + serial + "' is no serial number";
            return false;
        }
        serial = serials::SerialText(serials::YearMonthStamp(platform::CreateSystemClock()->Now()),
                                     *counter);
    }
    return true;
}

bool ParseUnitsOptions(const std::vector<std::string>& args, UnitsOptions& o, std::string& error) {
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--summary" || a == "--excel" || a == "--check") {
            (a == "--summary" ? o.summary : a == "--excel" ? o.excel : o.check) = true;
            continue;
        }
        if (a == "--outcome") {
            std::string word;
            if (!NextValue(args, i, word, error))
                return false;
            const auto found = OutcomeWords().find(word);
            if (found == OutcomeWords().end()) {
                error =
                    "--outcome takes finished, failed, ended-early or closed, not '" + word + "'";
                return false;
            }
            o.outcomes.insert(found->second.begin(), found->second.end());
            continue;
        }
        if (a == "--profile") {
            if (!NextValue(args, i, o.profiles.emplace_back(), error))
                return false;
            continue;
        }
        std::string* into = a == "--since"     ? &o.query.since
                            : a == "--until"   ? &o.query.until
                            : a == "--station" ? &o.query.station
                            : a == "--serial"  ? &o.query.serial
                            : a == "--format"  ? &o.format
                            : a == "--by"      ? &o.by
                            : a == "--month"   ? &o.month
                                               : nullptr;
        if (into == nullptr) {
            error = a.rfind("--", 0) == 0 ? "unknown option " + a : "unexpected argument " + a;
            return false;
        }
        if (!NextValue(args, i, *into, error))
            return false;
    }
    for (const std::string* date : {&o.query.since, &o.query.until}) {
        if (!date->empty() && !IsDate(*date)) {
            error = "a date is YYYY-MM-DD, not '" + *date + "'";
            return false;
        }
    }
    if (o.format != "csv" && o.format != "json") {
        error = "--format takes csv or json, not '" + o.format + "'";
        return false;
    }
    if (o.excel && o.format != "csv") {
        error = "--excel writes CSV, not " + o.format;
        return false;
    }
    if (o.by != "day" && o.by != "hour") {
        error = "--by takes day or hour, not '" + o.by + "'";
        return false;
    }
    if (o.check) {
        // The account is of a whole month of the whole record.
        if (o.summary || o.excel || !o.query.since.empty() || !o.query.until.empty() ||
            !o.query.station.empty() || !o.query.serial.empty() || !o.outcomes.empty()) {
            error =
                "--check accounts for a whole month of the record: it takes --month yyyyMM only";
            return false;
        }
        if (!o.month.empty() && !op::IsYearMonth(o.month)) {
            error = "--month takes yyyyMM, not '" + o.month + "'";
            return false;
        }
    } else if (!o.month.empty()) {
        error = "--month goes with --check";
        return false;
    }
    return ReadSerialOption(o.query.serial, error);
}

// A CSV field by RFC 4180: quoted when it holds a comma, a quote or a line break. A field a
// spreadsheet would run as a formula (it begins with =, +, -, @, a tab or a carriage return:
// station, printer and file names are typed by people) gets a leading ' and is shown as text.
std::string CsvField(const std::string& field) {
    const bool formula =
        !field.empty() && std::string("=+-@\t\r").find(field[0]) != std::string::npos;
    const std::string s = formula ? "'" + field : field;
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string quoted = "\"";
    for (char c : s) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string CsvRow(const std::vector<std::string>& fields) {
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i)
        row += (i > 0 ? "," : "") + CsvField(fields[i]);
    return row + "\r\n";
}

// A JSON string; a byte that belongs to no well-formed UTF-8 character (a file name in another
// encoding) becomes '?', so the export always parses.
std::string JsonString(const std::string& text) {
    const std::string s = platform::ReplaceMalformedUtf8(text);
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// "OPEN: done; STSN \"2026120001\": failed 1460 (the job took too long)".
std::string MessagesText(const platform::UnitEntry& e) {
    std::string text;
    for (const auto& m : e.messages) {
        if (!text.empty())
            text += "; ";
        text += m.message + ": " + m.result;
        if (m.result != "done")
            text += " " + std::to_string(m.error) + " (" + m.errorText + ")";
    }
    return text;
}

// The run ids of the station's entries that still wait for the line.
using Waiting = std::set<std::string>;

void PrintCsv(const std::vector<platform::UnitEntry>& entries, const Waiting& waiting) {
    std::cout << CsvRow({"run_id", "started", "ended", "station", "language", "target", "serial",
                         "reused_serial", "outcome", "detail", "package_name", "package_size",
                         "package_sha256", "version", "messages", "waiting_for_line"});
    for (const auto& e : entries) {
        std::cout << CsvRow({e.runId, e.started, e.ended, e.station, e.language, e.target, e.serial,
                             e.reusedSerial ? "yes" : "no", e.outcome, e.detail, e.packageName,
                             std::to_string(e.packageSize), e.packageSha256, e.version,
                             MessagesText(e), waiting.count(e.runId) ? "yes" : "no"});
    }
}

void PrintJson(const std::vector<platform::UnitEntry>& entries, const Waiting& waiting) {
    std::cout << "[";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        std::cout << (i > 0 ? ",\n " : "\n ") << "{\"run_id\": " << JsonString(e.runId)
                  << ", \"started\": " << JsonString(e.started)
                  << ", \"ended\": " << JsonString(e.ended)
                  << ", \"station\": " << JsonString(e.station)
                  << ", \"language\": " << JsonString(e.language)
                  << ", \"target\": " << JsonString(e.target)
                  << ", \"serial\": " << JsonString(e.serial)
                  << ", \"reused_serial\": " << (e.reusedSerial ? "true" : "false")
                  << ", \"outcome\": " << JsonString(e.outcome)
                  << ", \"detail\": " << JsonString(e.detail)
                  << ", \"package_name\": " << JsonString(e.packageName)
                  << ", \"package_size\": " << e.packageSize
                  << ", \"package_sha256\": " << JsonString(e.packageSha256)
                  << ", \"version\": " << JsonString(e.version) << ", \"messages\": [";
        for (std::size_t m = 0; m < e.messages.size(); ++m) {
            const auto& msg = e.messages[m];
            std::cout << (m > 0 ? ", " : "") << "{\"message\": " << JsonString(msg.message)
                      << ", \"result\": " << JsonString(msg.result) << ", \"error\": " << msg.error
                      << ", \"error_text\": " << JsonString(msg.errorText) << "}";
        }
        std::cout << "], \"waiting_for_line\": " << (waiting.count(e.runId) ? "true" : "false")
                  << "}";
    }
    std::cout << (entries.empty() ? "]\n" : "\n]\n");
}

struct PeriodOfStation {
    int units = 0, finished = 0, failed = 0;
    std::vector<std::string> serials;
};

// Per station and day ("2026-12-08") or hour ("2026-12-08T09", UTC): units, finished, failed,
// and the serial numbers stamped as ranges (the stations' numbers interleave: a first and a
// last would read as a range that is not one).
void PrintSummary(const std::vector<platform::UnitEntry>& entries, bool json, bool byHour) {
    std::map<std::pair<std::string, std::string>, PeriodOfStation> periods;
    for (const auto& e : entries) {
        PeriodOfStation& d = periods[{e.station, e.started.substr(0, byHour ? 13 : 10)}];
        ++d.units;
        if (e.outcome == "finished")
            ++d.finished;
        else
            ++d.failed;
        if (!e.serial.empty())
            d.serials.push_back(e.serial);
    }
    const std::string period = byHour ? "hour" : "date";
    if (!json) {
        std::cout << CsvRow({"station", period, "units", "finished", "failed", "serials"});
        for (const auto& [key, d] : periods) {
            std::cout << CsvRow({key.first, key.second, std::to_string(d.units),
                                 std::to_string(d.finished), std::to_string(d.failed),
                                 serials::SerialRanges(d.serials)});
        }
        return;
    }
    std::cout << "[";
    bool first = true;
    for (const auto& [key, d] : periods) {
        std::cout << (first ? "\n " : ",\n ") << "{\"station\": " << JsonString(key.first) << ", \""
                  << period << "\": " << JsonString(key.second) << ", \"units\": " << d.units
                  << ", \"finished\": " << d.finished << ", \"failed\": " << d.failed
                  << ", \"serials\": " << JsonString(serials::SerialRanges(d.serials)) << "}";
        first = false;
    }
    std::cout << (periods.empty() ? "]\n" : "\n]\n");
}

std::string UnitsText(const std::vector<serials::UnitOfSerial>& units) {
    std::string text;
    for (const auto& u : units)
        text += (text.empty() ? "" : "; ") + serials::UnitText(u);
    return text;
}

// The month's account on standard output; 1 when a number is on two units unconfirmed.
int PrintCheck(const serials::SerialAccount& a, const std::string& where) {
    using Standing = serials::SerialAccountLine::Standing;
    std::cout << "serial numbers of " << a.stamp << " in " << where << ": " << a.lines.size()
              << " (" << a.Count(Standing::OnOneUnit) << " on one unit each, "
              << a.Count(Standing::ReuseConfirmed) << " reused as confirmed, "
              << a.Count(Standing::Duplicate) << " duplicate, " << a.Count(Standing::Void)
              << " void, " << a.Count(Standing::Reserved) << " reserved and never confirmed, "
              << a.Count(Standing::NeverTaken) << " never taken)\n";
    const struct {
        Standing standing;
        const char* heading;
    } sections[] = {{Standing::Duplicate, "duplicates (on two units, not confirmed as a reuse)"},
                    {Standing::ReuseConfirmed, "reuses confirmed by the operator"}};
    for (const auto& section : sections) {
        if (a.Count(section.standing) == 0)
            continue;
        std::cout << section.heading << ":\n";
        for (const auto& line : a.lines) {
            if (line.standing == section.standing)
                std::cout << "  " << line.serial << " on " << line.units.size()
                          << " units: " << UnitsText(line.units) << "\n";
        }
    }
    const int gaps =
        a.Count(Standing::Void) + a.Count(Standing::Reserved) + a.Count(Standing::NeverTaken);
    if (gaps > 0) {
        std::cout << "gaps:\n";
        for (const auto& line : a.lines) {
            if (const std::string why = serials::GapText(line); !why.empty())
                std::cout << "  " << line.serial << " " << why << "\n";
        }
    }
    return a.Count(Standing::Duplicate) > 0 ? kExitEndedEarly : kExitOk;
}

}  // namespace

int Units(const std::vector<std::string>& args) {
    UnitsOptions o;
    std::string error;
    if (!ParseUnitsOptions(args, o, error))
        return Usage(error);
    platform::LineSettings line;
    if (!LineSettingsFor(o.profiles, line, error))
        return Usage(error);
    // Reading creates nothing: no record is an empty one.
    platform::SerialsAndRecord store = platform::CreateSerialsAndRecord(line, true);
    std::vector<platform::UnitEntry> entries;
    // Which record answers (the station's file or the line's database, never a password).
    std::cerr << "bpconf-cli: reading the record " << store.record->Location() << "\n";
    // What of this station still waits for its line: marked when the station's file is read,
    // counted when the line is.
    Waiting waiting;
    if (store.stationStore) {
        std::vector<std::string> runs;
        if (store.stationStore->WaitingRuns(runs) && !runs.empty()) {
            waiting.insert(runs.begin(), runs.end());
            std::cerr << "bpconf-cli: " << runs.size() << " entries of this station still wait for "
                      << (store.directory ? "the line" : "its line")
                      << " (bpconf-cli db sync sends them)\n";
        }
        std::string joined;
        bool found = false;
        if (!store.directory && store.stationStore->Fact(serials::kLineFact, joined, found) &&
            found) {
            std::cerr << "bpconf-cli: this station belongs to the line " << joined
                      << "; its own file holds only this station's entries\n";
        }
    }
    if (store.directory)
        waiting.clear();
    platform::UnitQuery query = o.query;
    if (o.check)
        query = platform::UnitQuery();
    if (const platform::RecordResult r = store.record->Read(query, entries); !r) {
        std::cerr << "bpconf-cli: the record " << store.record->Location()
                  << " cannot be read: " << r.reason << "\n";
        return kExitEndedEarly;
    }
    if (o.check) {
        const std::string stamp =
            !o.month.empty() ? o.month
                             : serials::YearMonthStamp(platform::CreateSystemClock()->Now());
        std::vector<platform::LedgerEntry> rows;
        std::vector<platform::CounterSetting> settings;
        platform::BookResult r = store.book->Rows(stamp, rows);
        if (r)
            r = store.book->Settings(settings);
        if (!r) {
            std::cerr << "bpconf-cli: the ledger " << store.book->LedgerLocation()
                      << " cannot be read: " << r.reason << "\n";
            return kExitEndedEarly;
        }
        const int status = PrintCheck(serials::AccountFor(stamp, entries, rows, settings),
                                      store.record->Location());
        std::cout.flush();
        return std::cout ? status : kExitEndedEarly;
    }
    const bool anyWithSerial = !entries.empty();
    if (!o.outcomes.empty()) {
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const auto& e) { return !o.outcomes.count(e.outcome); }),
                      entries.end());
    }
    if (!o.query.serial.empty() && entries.empty()) {
        std::cerr << "bpconf-cli: no unit "
                  << (anyWithSerial ? "that ended as asked (--outcome) " : "")
                  << "has serial number " << o.query.serial << "\n";
        return kExitEndedEarly;
    }
    if (o.excel)
        std::cout << "\xEF\xBB\xBF";  // without it Excel reads UTF-8 as the system's code page
    if (o.summary)
        PrintSummary(entries, o.format == "json", o.by == "hour");
    else if (o.format == "json")
        PrintJson(entries, waiting);
    else
        PrintCsv(entries, waiting);
    // An export cut short (a full disk, a closed pipe) is no export.
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "bpconf-cli: the output could not be written whole\n";
        return kExitEndedEarly;
    }
    return kExitOk;
}

}  // namespace bpconf::cli
