// The record of the runs on the station: the SQLite file, the package fingerprint, the times, and
// what a run's messages come to. Runs on both builds (the Windows one under wine).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Doubles.h"
#include "TestSupport.h"
#include "operator/RunRecord.h"
#include "platform/Files.h"
#include "platform/Sha256.h"
#include "platform/SqliteStationStore.h"
#include "platform/SqliteUnitRecord.h"
#include "platform/UtcTime.h"

namespace bpconf {
namespace {

using platform::RecordedMessage;
using platform::SqliteDatabase;
using platform::SqliteUnitRecord;
using platform::UnitEntry;
using platform::UnitQuery;

TEST(Sha256, KnownDigests) {
    const struct {
        std::string input;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the length no longer fits the first padding block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        // 64 bytes: one whole block, then a block of padding alone.
        {std::string(64, 'x'), "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c"},
    };
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> bytes(c.input.begin(), c.input.end());
        EXPECT_EQ(platform::Sha256Hex(bytes), c.digest) << c.input.size() << " bytes";
    }
}

TEST(RecordTimes, UtcIso8601ToTheMillisecond) {
    const struct {
        std::int64_t ms;
        const char* text;
    } cases[] = {
        {0, "1970-01-01T00:00:00.000Z"},
        {951782400000, "2000-02-29T00:00:00.000Z"},
        {1709251199999, "2024-02-29T23:59:59.999Z"},
        {1796722200125, "2026-12-08T09:30:00.125Z"},
        {-1, "1969-12-31T23:59:59.999Z"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::FormatUtc(c.ms), c.text) << c.ms;
}

// What becomes of each message in the record, and the run's outcome from its end and messages.
TEST(RecordOfARun, MessagesAndOutcome) {
    auto sent = [](bool handedOver, std::uint32_t failedAtOnce, bool arrived,
                   platform::JobState::Kind kind, std::uint32_t error, std::string reason,
                   bool confirmed = true) {
        op::SentMessage m;
        m.description = "STDP 28";
        m.delivery.handedOver = handedOver;
        m.delivery.error = failedAtOnce;
        m.arrived = arrived;
        m.confirmed = arrived && confirmed;
        m.state.kind = kind;
        m.state.error = error;
        m.state.reason = std::move(reason);
        return m;
    };
    using K = platform::JobState::Kind;
    const struct {
        op::SentMessage sent;
        const char* result;
        std::uint32_t error;
        const char* text;
    } cases[] = {
        {sent(true, 0, true, K::Done, 0, ""), "done", 0, ""},
        {sent(false, 1801, false, K::Done, 0, ""), "not sent", 1801, nullptr},
        {sent(true, 0, false, K::Failed, 1722, "printer went away"), "failed", 1722,
         "printer went away"},
        {sent(true, 0, false, K::Queued, 0, ""), "failed", 0, "not confirmed at the printer"},
        // Completed by the spooler, and no later job showed that the link held to its end.
        {sent(true, 0, true, K::Done, 0, "", false), "not confirmed", 0,
         "handed to the printer's link; not confirmed whole at the printer"},
    };
    for (const auto& c : cases) {
        const RecordedMessage m = op::RecordedMessageOf(c.sent);
        EXPECT_EQ(m.message, "STDP 28");
        EXPECT_EQ(m.result, c.result);
        EXPECT_EQ(m.error, c.error);
        if (c.text != nullptr)
            EXPECT_EQ(m.errorText, c.text);
        else
            EXPECT_FALSE(m.errorText.empty());
    }
    const std::vector<RecordedMessage> allDone = {{"OPEN", "done", 0, ""}};
    const std::vector<RecordedMessage> oneNotSent = {{"OPEN", "done", 0, ""},
                                                     {"STDP 28", "not sent", 1801, "x"}};
    EXPECT_EQ(op::OutcomeOf(op::RunEnd::Normal, allDone), "finished");
    EXPECT_EQ(op::OutcomeOf(op::RunEnd::Normal, oneNotSent), "delivery failed");
    EXPECT_EQ(op::OutcomeOf(op::RunEnd::Delivery, oneNotSent), "delivery failed");
    EXPECT_EQ(op::OutcomeOf(op::RunEnd::Unconfirmed, allDone), "not confirmed");
    EXPECT_EQ(op::OutcomeOf(op::RunEnd::Closed, allDone), "closed");
    for (op::RunEnd early : {op::RunEnd::Conversion, op::RunEnd::Oversized, op::RunEnd::SerialStore,
                             op::RunEnd::ReuseDeclined})
        EXPECT_EQ(op::OutcomeOf(early, allDone), "ended early");
}

// A record on its own connection to the file, as each program has.
SqliteUnitRecord Record(const std::string& path) {
    return SqliteUnitRecord(std::make_shared<SqliteDatabase>(path));
}

UnitEntry Entry(const std::string& id, const std::string& started, const std::string& station,
                const std::string& serial, const std::string& stampResult) {
    UnitEntry e;
    e.runId = id;
    e.started = started;
    e.ended = started;
    e.station = station;
    e.language = "chinese";
    e.target = "printer Line1";
    e.serial = serial;
    e.messages = {{"OPEN", "done", 0, ""}};
    if (!serial.empty())
        e.messages.push_back({"STSN \"" + serial + "\"", stampResult, 0, ""});
    e.outcome = "finished";
    e.version = "1.0";
    return e;
}

std::vector<std::string> Ids(const std::vector<UnitEntry>& entries) {
    std::vector<std::string> ids;
    for (const auto& e : entries)
        ids.push_back(e.runId);
    return ids;
}

TEST(StationRecord, WholeEntriesBackInTheOrderTheyStartedFilteredByDateStationAndSerial) {
    test::TempDir dir("record");
    {
        SqliteUnitRecord record = Record((dir.path() / "sub" / "units.sqlite").u8string());
        UnitEntry full = Entry("a", "2026-12-01T08:00:00.000Z", "S1", "2026120001", "done");
        full.reusedSerial = true;
        full.packageName = "self-test.bin";
        full.packageSize = 4094;
        full.packageSha256 = std::string(64, 'f');
        full.detail = "quote \" comma , line\nbreak 中文";
        full.messages.push_back({"BTLK 1", "failed", 1460, "the job took too long"});
        ASSERT_TRUE(
            record.Write(Entry("c", "2026-12-03T08:00:00.000Z", "S2", "2026120003", "done")));
        ASSERT_TRUE(record.Write(full));
        ASSERT_TRUE(record.Write(Entry("b", "2026-12-02T23:59:59.999Z", "S1", "", "")));
    }
    // Read by another connection, as another program would.
    SqliteUnitRecord record = Record((dir.path() / "sub" / "units.sqlite").u8string());
    std::vector<UnitEntry> entries;
    ASSERT_TRUE(record.Read({}, entries));
    ASSERT_EQ(Ids(entries), (std::vector<std::string>{"a", "b", "c"}));
    const UnitEntry& a = entries[0];
    EXPECT_EQ(a.started, "2026-12-01T08:00:00.000Z");
    EXPECT_EQ(a.station, "S1");
    EXPECT_EQ(a.language, "chinese");
    EXPECT_EQ(a.target, "printer Line1");
    EXPECT_TRUE(a.reusedSerial);
    EXPECT_EQ(a.packageName, "self-test.bin");
    EXPECT_EQ(a.packageSize, 4094u);
    EXPECT_EQ(a.packageSha256, std::string(64, 'f'));
    EXPECT_EQ(a.detail, "quote \" comma , line\nbreak 中文");
    ASSERT_EQ(a.messages.size(), 3u);
    EXPECT_EQ(a.messages[1].message, "STSN \"2026120001\"");
    EXPECT_EQ(a.messages[2].result, "failed");
    EXPECT_EQ(a.messages[2].error, 1460u);
    EXPECT_EQ(a.messages[2].errorText, "the job took too long");

    const struct {
        UnitQuery query;
        std::vector<std::string> ids;
    } cases[] = {
        {{"2026-12-02", "", "", "", ""}, {"b", "c"}},
        {{"", "2026-12-02", "", "", ""}, {"a", "b"}},
        {{"2026-12-02", "2026-12-02", "", "", ""}, {"b"}},
        {{"", "", "S1", "", ""}, {"a", "b"}},
        {{"", "", "", "2026120003", ""}, {"c"}},
        {{"", "", "S3", "", ""}, {}},
        {{"", "", "", "", "b"}, {"b"}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(record.Read(c.query, entries));
        EXPECT_EQ(Ids(entries), c.ids) << c.query.since << " " << c.query.until << " "
                                       << c.query.station << " " << c.query.serial;
    }
}

// What waits for the line: an entry and its place in the queue together, the queue in order,
// and an item marked sent by a sender that finished late never takes a newer item with it (a
// number is given again once the queue was empty).
TEST(StationRecord, QueueForTheLineKeepsEveryItemUntilItIsSent) {
    test::TempDir dir("record");
    platform::SqliteStationStore store(
        std::make_shared<SqliteDatabase>((dir.path() / "units.sqlite").u8string()));
    const platform::LineTag line{"line-db/a", "S"};
    ASSERT_TRUE(store.WriteEntry(Entry("r1", "2026-12-01T08:00:00.000Z", "S", "", ""), &line));
    ASSERT_TRUE(store.QueueSettle("2026120001", "r2", "reserved", "stamped", line));
    ASSERT_TRUE(store.WriteEntry(Entry("r3", "2026-12-01T08:01:00.000Z", "S", "", ""), nullptr));
    std::vector<platform::WaitingItem> items;
    ASSERT_TRUE(store.Waiting(line, items, 10));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].entry.runId, "r1");
    EXPECT_EQ(items[1].serial + " " + items[1].runId + " " + items[1].to, "2026120001 r2 stamped");
    std::vector<std::string> runs;
    ASSERT_TRUE(store.WaitingRuns(runs));
    EXPECT_EQ(runs, std::vector<std::string>{"r1"});
    // Waiting for another line, or under another name, is not waiting for this one.
    for (const platform::LineTag& other :
         {platform::LineTag{"line-db/b", "S"}, platform::LineTag{"line-db/a", "T"}}) {
        std::vector<platform::WaitingItem> none;
        ASSERT_TRUE(store.Waiting(other, none, 10));
        EXPECT_TRUE(none.empty()) << other.line << " " << other.station;
        platform::LineTag found;
        int count = 0;
        ASSERT_TRUE(store.WaitingElsewhere(other, found, count));
        EXPECT_EQ(count, 2);
        EXPECT_EQ(found.line + " " + found.station, "line-db/a S");
    }

    ASSERT_TRUE(store.Sent(items[0]));
    ASSERT_TRUE(store.Sent(items[1]));
    ASSERT_TRUE(store.QueueSettle("2026120002", "r4", "reserved", "void", line));
    std::vector<platform::WaitingItem> later;
    ASSERT_TRUE(store.Waiting(line, later, 10));
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].seq, items[0].seq);
    // The late sender of the first item.
    ASSERT_TRUE(store.Sent(items[0]));
    int waiting = 0;
    ASSERT_TRUE(store.CountWaiting(waiting));
    EXPECT_EQ(waiting, 1);
}

TEST(StationRecord, OneEntryTwiceIsRefusedAndLeavesTheFirstWhole) {
    test::TempDir dir("record");
    SqliteUnitRecord record = Record((dir.path() / "units.sqlite").u8string());
    ASSERT_TRUE(record.Write(Entry("1", "2026-12-01T08:00:00.000Z", "S", "2026120001", "done")));
    const platform::RecordResult again =
        record.Write(Entry("1", "2026-12-01T09:00:00.000Z", "T", "", ""));
    EXPECT_FALSE(again);
    EXPECT_NE(again.reason.find("units.sqlite"), std::string::npos) << again.reason;
    std::vector<UnitEntry> entries;
    ASSERT_TRUE(record.Read({}, entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].station, "S");
    EXPECT_EQ(entries[0].messages.size(), 2u);
    // The connection is usable after the refused transaction.
    EXPECT_TRUE(record.Write(Entry("2", "2026-12-01T10:00:00.000Z", "S", "", "")));
}

// A file in the record's place that is no record, an empty one included (the record that was
// there, and its ledger, would be gone without a word), is told and left as it is.
TEST(StationRecord, FileThatIsNoRecordIsToldAndLeftAlone) {
    for (const std::string content : {"not a database, and long enough to be looked at", ""}) {
        test::TempDir dir("record");
        const std::string path = (dir.path() / "units.sqlite").u8string();
        std::ofstream(dir.path() / "units.sqlite") << content;
        SqliteUnitRecord record = Record(path);
        for (const platform::RecordResult& r :
             {record.Probe(), record.Write(Entry("1", "2026-12-01T08:00:00.000Z", "S", "", ""))}) {
            EXPECT_FALSE(r);
            EXPECT_NE(r.reason.find(path), std::string::npos) << r.reason;
        }
        EXPECT_EQ(test::Slurp(path), content);
    }
}

// A new record appears whole: its folder and file are made, with the schema in it, under a name
// of their own, and only then given the record's name.
TEST(StationRecord, NewRecordIsCreatedWholeAndLeftNothingBeside) {
    test::TempDir dir("record");
    const auto folder = dir.path() / "a" / "b";
    SqliteUnitRecord record = Record((folder / "units.sqlite").u8string());
    ASSERT_TRUE(record.Probe());
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    // The WAL files of the open connection, nothing of the creation.
    for (const auto& name : names)
        EXPECT_EQ(name.rfind("units.sqlite", 0), 0u) << name;
    EXPECT_EQ(names.front(), "units.sqlite");
    EXPECT_EQ(
        std::count_if(names.begin(), names.end(),
                      [](const std::string& n) { return n.find(".new-") != std::string::npos; }),
        0);
}

}  // namespace
}  // namespace bpconf
