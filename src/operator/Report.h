// The supervisor's report: one self-contained HTML page (inline CSS and SVG, no script, no file
// or address outside it) drawn from the record and the ledger, in the operator's language: the
// headline, units per hour per station stacked by outcome, failures by cause and the last ones,
// the serial numbers of each month with their gaps and reuses, and the settings each station
// sent. Every chart has a table under it with the same numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/SerialBook.h"
#include "platform/UnitRecord.h"

namespace bpconf::op {

struct ReportInput {
    std::string language;  // the interface language: "chinese", "english"
    std::vector<platform::UnitEntry> entries;
    // The ledger's rows of every month the entries name, and every setting of the counter.
    std::vector<platform::LedgerEntry> ledger;
    std::vector<platform::CounterSetting> settings;
    std::string record;                // which record it was drawn from (no password)
    std::string filter;                // the period and station asked for, as text
    int utcOffsetMinutes = 0;          // the station's time zone: local = UTC + offset
    std::string generatedAt;           // UTC, ISO 8601
    int refreshSeconds = 0;            // > 0: the page reloads itself (a wall view)
    std::optional<std::string> stale;  // the page is the last one that could be made: why
};

// The figures of the headline, as the page shows them (and tests compare).
struct ReportHeadline {
    int units = 0, finished = 0, failed = 0, endedEarly = 0, closed = 0;
    int stamped = 0, voided = 0, reserved = 0, duplicates = 0;
};
ReportHeadline HeadlineOf(const ReportInput& input);

std::string RenderReport(const ReportInput& input);

// Text made safe inside HTML (element content and quoted attributes); '=' too, so that no text
// reads as an attribute such as "src=".
std::string HtmlText(const std::string& text);

// The station's offset from UTC, in minutes to the quarter hour, from its wall clock (local) and
// the UTC time of the same moment.
int UtcOffsetMinutes(const platform::LocalDateTime& local, std::int64_t utcMilliseconds);

// "UTC+08:00" for an offset of 480 minutes.
std::string ZoneName(int utcOffsetMinutes);

// An ISO 8601 UTC time ("2026-12-08T09:30:00.125Z") in the zone: "2026-12-08 17:30".
std::string LocalTime(const std::string& utc, int utcOffsetMinutes);

}  // namespace bpconf::op
