// bpconf-cli units: the record of the runs for the quality department (CSV by RFC 4180 with a
// header row, or JSON), or a summary per station and day.
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>

#include "app/cli/CliOptions.h"
#include "operator/OperatorTexts.h"
#include "platform/AsciiText.h"
#include "platform/Backends.h"
#include "platform/CodePageText.h"
#include "platform/RecordSchema.h"
#include "serials/SerialNumber.h"

namespace bpconf::cli {

namespace {

struct UnitsOptions {
    platform::UnitQuery query;
    std::string format = "csv";
    std::vector<std::string> profiles;
    bool summary = false;
    bool excel = false;  // CSV with a UTF-8 byte-order mark, as Excel wants it
};

// "YYYY-MM-DD", a day of the calendar.
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
        if (a == "--summary" || a == "--excel") {
            (a == "--summary" ? o.summary : o.excel) = true;
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

void PrintCsv(const std::vector<platform::UnitEntry>& entries) {
    std::cout << CsvRow({"run_id", "started", "ended", "station", "language", "target", "serial",
                         "reused_serial", "outcome", "detail", "package_name", "package_size",
                         "package_sha256", "version", "messages"});
    for (const auto& e : entries) {
        std::cout << CsvRow({e.runId, e.started, e.ended, e.station, e.language, e.target, e.serial,
                             e.reusedSerial ? "yes" : "no", e.outcome, e.detail, e.packageName,
                             std::to_string(e.packageSize), e.packageSha256, e.version,
                             MessagesText(e)});
    }
}

void PrintJson(const std::vector<platform::UnitEntry>& entries) {
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
        std::cout << "]}";
    }
    std::cout << (entries.empty() ? "]\n" : "\n]\n");
}

// Serial numbers in their order: a longer counter is a later one.
bool SerialBefore(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

struct DayOfStation {
    int units = 0, finished = 0, failed = 0;
    std::string first, last;
};

void PrintSummary(const std::vector<platform::UnitEntry>& entries, bool json) {
    std::map<std::pair<std::string, std::string>, DayOfStation> days;
    for (const auto& e : entries) {
        DayOfStation& d = days[{e.station, e.started.substr(0, 10)}];
        ++d.units;
        if (e.outcome == "finished")
            ++d.finished;
        else
            ++d.failed;
        if (!e.serial.empty()) {
            if (d.first.empty() || SerialBefore(e.serial, d.first))
                d.first = e.serial;
            if (d.last.empty() || SerialBefore(d.last, e.serial))
                d.last = e.serial;
        }
    }
    if (!json) {
        std::cout << CsvRow(
            {"station", "date", "units", "finished", "failed", "first_serial", "last_serial"});
        for (const auto& [key, d] : days) {
            std::cout << CsvRow({key.first, key.second, std::to_string(d.units),
                                 std::to_string(d.finished), std::to_string(d.failed), d.first,
                                 d.last});
        }
        return;
    }
    std::cout << "[";
    bool first = true;
    for (const auto& [key, d] : days) {
        std::cout << (first ? "\n " : ",\n ") << "{\"station\": " << JsonString(key.first)
                  << ", \"date\": " << JsonString(key.second) << ", \"units\": " << d.units
                  << ", \"finished\": " << d.finished << ", \"failed\": " << d.failed
                  << ", \"first_serial\": " << JsonString(d.first)
                  << ", \"last_serial\": " << JsonString(d.last) << "}";
        first = false;
    }
    std::cout << (days.empty() ? "]\n" : "\n]\n");
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
    if (const platform::RecordResult r = store.record->Read(o.query, entries); !r) {
        std::cerr << "bpconf-cli: the record " << store.record->Location()
                  << " cannot be read: " << r.reason << "\n";
        return kExitEndedEarly;
    }
    if (!o.query.serial.empty() && entries.empty()) {
        std::cerr << "bpconf-cli: no unit has serial number " << o.query.serial << "\n";
        return kExitEndedEarly;
    }
    if (o.excel)
        std::cout << "\xEF\xBB\xBF";  // without it Excel reads UTF-8 as the system's code page
    if (o.summary)
        PrintSummary(entries, o.format == "json");
    else if (o.format == "json")
        PrintJson(entries);
    else
        PrintCsv(entries);
    // An export cut short (a full disk, a closed pipe) is no export.
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "bpconf-cli: the output could not be written whole\n";
        return kExitEndedEarly;
    }
    return kExitOk;
}

}  // namespace bpconf::cli
