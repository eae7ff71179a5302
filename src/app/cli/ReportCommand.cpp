// bpconf-cli report: the supervisor's page (HTML, self-contained) from the record the units
// command reads, with the same filters; --watch rewrites it every SECONDS for a wall view.
#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>

#include "app/cli/CliOptions.h"
#include "operator/Report.h"
#include "operator/SystemLanguage.h"
#include "platform/Backends.h"
#include "platform/UtcTime.h"
#include "serials/SerialNumber.h"

namespace bpconf::cli {

namespace {

std::atomic<bool> gStop{false};

extern "C" void OnReportStop(int) {
    gStop = true;
}

struct ReportOptions {
    platform::UnitQuery query;
    std::vector<std::string> profiles;
    std::string language;
    std::string out = "bpconf-report.html";
    int watchSeconds = 0;
};

bool ParseReportOptions(const std::vector<std::string>& args, ReportOptions& o, std::string& e) {
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string watch;
        std::string* into = a == "--since"      ? &o.query.since
                            : a == "--until"    ? &o.query.until
                            : a == "--station"  ? &o.query.station
                            : a == "--language" ? &o.language
                            : a == "-o"         ? &o.out
                            : a == "--watch"    ? &watch
                            : a == "--profile"  ? &o.profiles.emplace_back()
                                                : nullptr;
        if (into == nullptr) {
            e = a.rfind("-", 0) == 0 ? "unknown option " + a : "unexpected argument " + a;
            return false;
        }
        if (!NextValue(args, i, *into, e))
            return false;
        if (a == "--watch") {
            const auto seconds = serials::ParseTypedCounter(watch);
            if (!seconds || *seconds < 1 || *seconds > 86400) {
                e = "--watch takes seconds from 1 to 86400, not '" + watch + "'";
                return false;
            }
            o.watchSeconds = *seconds;
        }
    }
    for (const std::string* date : {&o.query.since, &o.query.until}) {
        if (!date->empty() && !IsDate(*date)) {
            e = "a date is YYYY-MM-DD, not '" + *date + "'";
            return false;
        }
    }
    if (!o.language.empty() && o.language != "chinese" && o.language != "english") {
        e = "--language takes chinese or english, not '" + o.language + "'";
        return false;
    }
    if (o.out.empty()) {
        e = "-o needs a file name";
        return false;
    }
    return true;
}

// Reads what the page is drawn from; false with the reason.
bool ReadInput(const platform::LineSettings& line, const ReportOptions& o, op::ReportInput& in,
               std::string& reason) {
    platform::SerialsAndRecord store = platform::CreateSerialsAndRecord(line, true);
    in.record = store.record->Location();
    if (const platform::RecordResult r = store.record->Read(o.query, in.entries); !r) {
        reason = "the record " + store.record->Location() + " cannot be read: " + r.reason;
        return false;
    }
    std::set<std::string> months;
    for (const auto& e : in.entries) {
        if (e.serial.size() > 6)
            months.insert(e.serial.substr(0, 6));
    }
    in.ledger.clear();
    for (const auto& m : months) {
        std::vector<platform::LedgerEntry> rows;
        if (const platform::BookResult r = store.book->Rows(m, rows); !r) {
            reason = "the ledger " + store.book->LedgerLocation() + " cannot be read: " + r.reason;
            return false;
        }
        in.ledger.insert(in.ledger.end(), rows.begin(), rows.end());
    }
    if (const platform::BookResult r = store.book->Settings(in.settings); !r) {
        reason = "the ledger " + store.book->LedgerLocation() + " cannot be read: " + r.reason;
        return false;
    }
    return true;
}

// Written whole under a name of its own, then put in place: a browser never reads half a page.
bool WritePage(const std::string& path, const std::string& html, std::string& reason) {
    const std::string temp = path + ".new";
    {
        std::ofstream out(std::filesystem::u8path(temp), std::ios::binary | std::ios::trunc);
        out << html;
        out.flush();
        if (!out) {
            reason = "cannot write " + temp;
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(std::filesystem::u8path(temp), std::filesystem::u8path(path), ec);
    if (ec) {
        reason = "cannot put " + path + " in place: " + ec.message();
        return false;
    }
    return true;
}

}  // namespace

int Report(const std::vector<std::string>& args) {
    ReportOptions o;
    std::string error;
    if (!ParseReportOptions(args, o, error))
        return Usage(error);
    platform::LineSettings line;
    if (!LineSettingsFor(o.profiles, line, error))
        return Usage(error);
    const std::string language = !o.language.empty()
                                     ? o.language
                                     : op::SystemInterfaceLanguage(*platform::CreateSystemLocale());
    std::string filter = (o.query.since.empty() ? "…" : o.query.since) + " – " +
                         (o.query.until.empty() ? "…" : o.query.until);
    if (!o.query.station.empty())
        filter += ", " + o.query.station;
    std::signal(SIGINT, OnReportStop);
    std::signal(SIGTERM, OnReportStop);
    op::ReportInput last;
    bool haveLast = false;
    for (;;) {
        op::ReportInput in;
        in.language = language;
        in.filter = filter;
        auto clock = platform::CreateSystemClock();
        in.utcOffsetMinutes = op::UtcOffsetMinutes(clock->Now(), clock->UtcMilliseconds());
        in.refreshSeconds = o.watchSeconds;
        std::string reason;
        const bool read = ReadInput(line, o, in, reason);
        if (!read) {
            std::cerr << "bpconf-cli: " << reason << "\n";
            if (o.watchSeconds == 0)
                return kExitEndedEarly;
            // The wall keeps the last page, marked stale with the reason, never a blank one.
            if (haveLast)
                in = last;
            in.stale = reason;
        } else {
            last = in;
            haveLast = true;
        }
        in.generatedAt = platform::UtcNow();
        if (!WritePage(o.out, op::RenderReport(in), reason)) {
            std::cerr << "bpconf-cli: " << reason << "\n";
            return kExitEndedEarly;
        }
        if (o.watchSeconds == 0) {
            std::cout << o.out << "\n";
            return kExitOk;
        }
        for (int waited = 0; waited < o.watchSeconds * 10 && !gStop; ++waited)
            platform::SleepMilliseconds(100);
        if (gStop)
            return kExitOk;
    }
}

}  // namespace bpconf::cli
