// The supervisor's page: times in the station's zone, names shown as text whatever they hold,
// nothing outside the page, and the headline's figures from the record and the ledger.
#include <gtest/gtest.h>

#include "operator/Report.h"

namespace bpconf {
namespace {

platform::UnitEntry Entry(const std::string& run, const std::string& station,
                          const std::string& serial, const std::string& outcome) {
    platform::UnitEntry e;
    e.runId = run;
    e.started = "2026-12-08T09:30:00.000Z";
    e.ended = "2026-12-08T09:30:20.000Z";
    e.station = station;
    e.target = "printer " + station;
    e.serial = serial;
    e.outcome = outcome;
    e.messages = {{"STDP 28", "done", 0, ""}};
    return e;
}

TEST(Report, TimesInTheStationsZone) {
    const struct {
        std::string utc;
        int offset;
        std::string local, zone;
    } cases[] = {
        {"2026-12-08T09:30:00.125Z", 480, "2026-12-08 17:30", "UTC+08:00"},
        {"2026-12-31T20:15:00.000Z", 480, "2027-01-01 04:15", "UTC+08:00"},
        {"2026-03-01T00:10:00.000Z", -330, "2026-02-28 18:40", "UTC-05:30"},
        {"2028-02-28T23:00:00.000Z", 120, "2028-02-29 01:00", "UTC+02:00"},
        {"not a time", 0, "not a time", "UTC+00:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(op::LocalTime(c.utc, c.offset), c.local) << c.utc;
        EXPECT_EQ(op::ZoneName(c.offset), c.zone);
    }
    // 2026-12-08T09:30:20Z: the offset from the wall clock at that moment.
    const std::int64_t utc = 1796722220000;
    EXPECT_EQ(op::UtcOffsetMinutes({2026, 12, 8, 17, 30, 20}, utc), 480);
    EXPECT_EQ(op::UtcOffsetMinutes({2026, 12, 8, 4, 0, 20}, utc), -330);
    EXPECT_EQ(op::UtcOffsetMinutes({2026, 12, 8, 9, 30, 20}, utc), 0);
}

// Names typed by people are shown as text: no element, attribute or script of theirs, and no
// reference to anything outside the page.
TEST(Report, HostileNamesAreTextAndNothingIsReferenced) {
    op::ReportInput in;
    in.language = "english";
    in.record = "\"/tmp/x'\"";
    for (const char* station : {"<script>alert(1)</script>", "\"><img src=x onerror=1>", "=1+1"})
        in.entries.push_back(Entry(station, station, "", "ended early"));
    in.entries.back().detail = "<b>&</b>";
    in.entries.back().packageName = "<a href='http://x'>p</a>";
    const std::string page = op::RenderReport(in);
    for (const char* forbidden : {"<script", "<img", "<a ", "src=", "href=", "onerror=1>", "<b>&"})
        EXPECT_EQ(page.find(forbidden), std::string::npos) << forbidden;
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.find("&#61;1+1"), std::string::npos);
    EXPECT_EQ(op::HtmlText("a<b>&\"'=c\xff"), "a&lt;b&gt;&amp;&quot;&#39;&#61;c?");
}

// The headline counts units by outcome and numbers by the month's account: a void number, one
// reserved and never confirmed, a confirmed reuse and a duplicate.
TEST(Report, HeadlineFromTheRecordAndTheLedger) {
    op::ReportInput in;
    in.entries = {Entry("a", "S", "2026120001", "finished"),
                  Entry("b", "S", "2026120002", "delivery failed"),
                  Entry("c", "T", "2026120002", "finished"),
                  Entry("d", "T", "", "ended early"),
                  Entry("e", "T", "", "closed"),
                  Entry("f", "S", "2026120005", "not confirmed")};
    in.entries[2].reusedSerial = true;
    in.entries.push_back(Entry("g", "T", "2026120005", "finished"));
    in.ledger = {{"2026120003", "void", "S", "x", false},
                 {"2026120004", "reserved", "T", "y", false}};
    const op::ReportHeadline h = op::HeadlineOf(in);
    EXPECT_EQ(h.units, 7);
    EXPECT_EQ(h.finished, 3);
    EXPECT_EQ(h.failed, 2);
    EXPECT_EQ(h.endedEarly, 1);
    EXPECT_EQ(h.closed, 1);
    EXPECT_EQ(h.stamped, 3);  // 0001, 0002 (reuse confirmed), 0005 (twice: a duplicate)
    EXPECT_EQ(h.voided, 1);
    EXPECT_EQ(h.reserved, 1);
    EXPECT_EQ(h.duplicates, 1);
    const std::string page = op::RenderReport(in);
    EXPECT_NE(page.find("<span class=\"big bad\"><b>1</b>duplicates (must read 0)</span>"),
              std::string::npos);
}

}  // namespace
}  // namespace bpconf
