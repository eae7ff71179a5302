// The serial-number policy on a book in memory: which number a run takes, whether it may, where
// the counter goes and what the operator is told. The check before the first byte (Plan) and the
// take at the stamp give one answer for one input.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "WindowDoubles.h"
#include "serials/SerialAccount.h"
#include "serials/SerialNumber.h"
#include "serials/SerialPolicy.h"

namespace bpconf {
namespace {

using Kind = serials::SerialProblem::Kind;
using platform::StoredValue;

StoredValue Stored(const char* text) {
    StoredValue v;
    if (text == nullptr)
        return v;
    v.kind =
        std::string(text) == "<dword>" ? StoredValue::Kind::NotAString : StoredValue::Kind::Text;
    v.text = text;
    return v;
}

struct Row {
    const char* what;
    const char* stored;  // nullptr: no value yet; "<dword>": a value that is no string
    std::vector<std::pair<std::string, std::string>> ledger;  // serial, state
    std::optional<std::int32_t> typed;
    const char* confirmed;
    const char* stamp;
    // What the run comes to: the serial number taken, or the refusal and the next free number.
    const char* serial;
    Kind refused;
    const char* nextFree;
    const char* counterAfter;  // nullptr: the store is left as it was
    bool reused;
};

std::vector<std::pair<std::string, std::string>> Stamped(int from, int to) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int n = from; n <= to; ++n)
        rows.push_back({serials::SerialText("202612", n), "stamped"});
    return rows;
}

std::vector<std::pair<std::string, std::string>> Join(
    std::vector<std::pair<std::string, std::string>> a,
    const std::vector<std::pair<std::string, std::string>>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

test::MemorySerialBook BookOf(const Row& row) {
    test::MemorySerialBook book;
    book.counter = Stored(row.stored);
    for (const auto& [serial, state] : row.ledger)
        book.ledger.push_back({serial, state, "S0", "earlier-" + serial, false});
    return book;
}

TEST(SerialPolicy, WhichNumberARunTakesAndWhereTheCounterGoes) {
    const Kind ok = Kind::None;
    const Row rows[] = {
        // clang-format off
        {"a first start", nullptr, {}, {}, "", "202612", "2026120001", ok, "", "0002", false},
        {"the counter's number", "0005", {}, {}, "", "202612", "2026120005", ok, "", "0006", false},
        {"past four digits", "9999", {}, {}, "", "202612", "2026129999", ok, "", "10000", false},
        {"at the largest counter", "2147483647", {}, {}, "", "202612", "", Kind::AtLimit, "",
         nullptr, false},
        {"the operator's 5", "0001", {}, 5, "", "202612", "2026120005", ok, "", "0006", false},
        {"the operator's number on a unit", "0006", Stamped(3, 3), 3, "", "202612", "",
         Kind::OnAUnit, "2026120006", nullptr, false},
        {"a confirmed reuse", "0006", Stamped(3, 3), 3, "2026120003", "202612", "2026120003", ok,
         "", nullptr, true},
        {"a confirmation of another number", "0006", Stamped(3, 3), 3, "2026120004", "202612", "",
         Kind::OnAUnit, "2026120006", nullptr, false},
        {"a counter set back", "0003", Stamped(3, 5), {}, "", "202612", "", Kind::CounterBehind,
         "2026120006", nullptr, false},
        {"a counter set back between numbers", "0005", Stamped(20, 21), {}, "", "202612", "",
         Kind::CounterBehind, "2026120022", nullptr, false},
        // A void number is on no unit, but the counter moved past it when it was taken.
        {"a counter set back onto a void number", "0003", {{"2026120003", "void"}}, {}, "",
         "202612", "", Kind::CounterBehind, "2026120004", nullptr, false},
        {"a fresh counter beside an older record", nullptr, Stamped(1, 2), {}, "", "202612", "",
         Kind::CounterBehind, "2026120003", nullptr, false},
        {"a reserved number may be on a unit", "0005", {{"2026120005", "reserved"}}, {}, "",
         "202612", "", Kind::CounterBehind, "2026120006", nullptr, false},
        {"a gap below the ledger's numbers", "0004", Join(Stamped(1, 1), Stamped(3, 3)), 2, "",
         "202612", "2026120002", ok, "", nullptr, false},
        {"the operator's number below the counter", "0010", {}, 5, "", "202612", "2026120005", ok,
         "", nullptr, false},
        {"a new month's first number, typed", "0501", Stamped(1, 500), 1, "", "202701",
         "2027010001", ok, "", nullptr, false},
        {"past the ledger's numbers", "0004", Stamped(1, 3), 9, "", "202612", "2026120009", ok, "",
         "0010", false},
        {"a stored value that is no counter", "12a", {}, {}, "", "202612", "",
         Kind::CounterUnusable, "", nullptr, false},
        {"mended by the operator's number", "12a", Stamped(1, 3), 7, "", "202612", "2026120007",
         ok, "", "0008", false},
        {"a value of another type", "<dword>", {}, {}, "", "202612", "", Kind::CounterUnusable, "",
         nullptr, false},
        // clang-format on
    };
    for (const auto& row : rows) {
        test::MemorySerialBook planned = BookOf(row), taken = BookOf(row);
        const platform::StoredValue before = planned.counter;
        const serials::SerialPlan plan =
            serials::SerialPolicy(planned).Plan(row.stamp, row.typed, row.confirmed);
        EXPECT_EQ(plan.problem.kind, row.refused) << row.what;
        EXPECT_EQ(plan.problem.nextFree, row.nextFree) << row.what;
        if (plan.problem) {
            EXPECT_EQ(plan.serial, row.serial) << row.what;
        }
        EXPECT_TRUE(planned.ledger.size() == row.ledger.size()) << row.what << ": a plan took it";
        // A plan stores a usable counter only as it found it.
        if (before.kind == platform::StoredValue::Kind::Text &&
            serials::ParseCounter(before.text) && planned.counter.text != before.text) {
            ADD_FAILURE() << row.what << ": a plan moved the counter to " << planned.counter.text;
        }

        serials::TakeRequest request{row.stamp, [&] { return row.typed; }, row.confirmed, "run",
                                     "S1"};
        serials::TakenSerial t;
        const serials::SerialProblem problem = serials::SerialPolicy(taken).Take(request, t);
        EXPECT_EQ(problem.kind, row.refused) << row.what;
        EXPECT_EQ(problem.nextFree, row.nextFree) << row.what;
        const std::string after = taken.counter.text;
        EXPECT_EQ(after, row.counterAfter != nullptr ? row.counterAfter
                                                     : (row.stored != nullptr ? row.stored : ""))
            << row.what;
        if (!problem) {
            EXPECT_EQ(taken.ledger.size(), row.ledger.size()) << row.what;
            continue;
        }
        EXPECT_EQ(t.serial, row.serial) << row.what;
        EXPECT_EQ(t.reused, row.reused) << row.what;
        ASSERT_EQ(taken.ledger.size(), row.ledger.size() + 1) << row.what;
        const platform::LedgerEntry& added = taken.ledger.back();
        EXPECT_EQ(added.serial, row.serial) << row.what;
        EXPECT_EQ(added.state, "reserved") << row.what;
        EXPECT_EQ(added.reused, row.reused) << row.what;
    }
}

// Several takes share one operator's number: the first takes it, the next follow the counter,
// which moves forward past it.
TEST(SerialPolicy, TheOperatorsNumberIsTakenOnce) {
    test::MemorySerialBook book;
    book.counter = Stored("0026");
    std::optional<std::int32_t> number = 40;
    serials::TakeRequest request{"202612", [&] { return std::exchange(number, std::nullopt); }, "",
                                 "run", "S1"};
    serials::SerialPolicy policy(book);
    std::vector<std::string> serials;
    for (int i = 0; i < 3; ++i) {
        serials::TakenSerial t;
        ASSERT_TRUE(policy.Take(request, t));
        serials.push_back(t.serial);
    }
    EXPECT_EQ(serials, (std::vector<std::string>{"2026120040", "2026120041", "2026120042"}));
    EXPECT_EQ(book.counter.text, "0043");
}

// A counter set below numbers of the ledger on purpose (a forced setting) gives the numbers from
// there on; a number on a unit is refused all the same.
TEST(SerialPolicy, ForcedSettingLetsTheCounterStandBelowTheLedger) {
    test::MemorySerialBook book;
    for (int n : {20, 21})
        book.ledger.push_back({serials::SerialText("202612", n), "stamped", "S0", "r", false});
    serials::SerialPolicy policy(book);
    book.counter = Stored("0030");
    ASSERT_EQ(policy.SetCounter(5, "202612", "S1", "test", false).kind, Kind::BelowLedger);
    ASSERT_TRUE(policy.SetCounter(5, "202612", "S1", "test", true));
    serials::TakenSerial t;
    ASSERT_TRUE(policy.Take({"202612", nullptr, "", "run", "S1"}, t));
    EXPECT_EQ(t.serial, "2026120005");
    book.counter = Stored("0020");
    const serials::SerialPlan plan = policy.Plan("202612", {}, "");
    EXPECT_EQ(plan.problem.kind, Kind::CounterBehind);
    EXPECT_EQ(plan.problem.nextFree, "2026120022");
}

// The operator's setting of the counter: refused below numbers of the ledger with the stamp
// unless forced, noted with the station and the reason either way.
TEST(SerialPolicy, SettingTheCounterNeverGoesBelowTheLedgerUnforced) {
    const struct {
        const char* what;
        std::int32_t value;
        const char* stamp;
        bool force;
        Kind refused;
        const char* counterAfter;
        std::size_t notes;
    } cases[] = {
        {"below stamped numbers", 3, "202612", false, Kind::BelowLedger, "0006", 0},
        {"below them, forced", 3, "202612", true, Kind::None, "0003", 1},
        {"past them", 9, "202612", false, Kind::None, "0009", 1},
        {"a new month begun again", 1, "202701", false, Kind::None, "0001", 1},
        {"what it holds already", 6, "202612", false, Kind::None, "0006", 0},
    };
    for (const auto& c : cases) {
        test::MemorySerialBook book;
        book.counter = Stored("0006");
        for (int n = 1; n <= 5; ++n)
            book.ledger.push_back({serials::SerialText("202612", n), "stamped", "S0", "r", false});
        const serials::SerialProblem p =
            serials::SerialPolicy(book).SetCounter(c.value, c.stamp, "S1", "test", c.force);
        EXPECT_EQ(p.kind, c.refused) << c.what;
        EXPECT_EQ(book.counter.text, c.counterAfter) << c.what;
        ASSERT_EQ(book.notes.size(), c.notes) << c.what;
        if (c.notes == 1) {
            EXPECT_EQ(book.notes[0].from, "0006") << c.what;
            EXPECT_EQ(book.notes[0].station, "S1") << c.what;
            EXPECT_EQ(book.notes[0].forced, c.force) << c.what;
        }
        if (!p) {
            EXPECT_EQ(p.nextFree, "2026120006") << c.what;
        }
    }
}

// A book that cannot be used refuses before anything is taken, with the part that failed.
TEST(SerialPolicy, StorageFailuresStopBeforeAnythingIsTaken) {
    using Failure = platform::BookResult::Failure;
    const struct {
        Failure failure;
        Kind kind;
    } cases[] = {
        {Failure::CounterUnreadable, Kind::CounterUnreadable},
        {Failure::CounterLocked, Kind::CounterLocked},
        {Failure::CounterUnwritable, Kind::CounterUnwritable},
        {Failure::LedgerUnwritable, Kind::LedgerUnwritable},
    };
    for (const auto& c : cases) {
        test::MemorySerialBook book;
        book.counter = Stored("0005");
        book.failure.failure = c.failure;
        book.failure.reason = "because";
        serials::SerialPolicy policy(book);
        const serials::SerialPlan plan = policy.Plan("202612", {}, "");
        EXPECT_EQ(plan.problem.kind, c.kind);
        EXPECT_EQ(plan.problem.reason, "because");
        serials::TakenSerial t;
        EXPECT_EQ(policy.Take({"202612", nullptr, "", "run", "S1"}, t).kind, c.kind);
        EXPECT_EQ(policy.SetCounter(9, "202612", "S1", "test", false).kind, c.kind);
        EXPECT_EQ(book.counter.text, "0005");
        EXPECT_TRUE(book.ledger.empty());
    }
}

// The window's first start stores 0001 when there is no counter at all, and never replaces a
// value that is there.
TEST(SerialPolicy, FirstStartStoresTheFirstCounterOnly) {
    const struct {
        const char* stored;
        std::optional<std::int32_t> counter;
        const char* after;
    } cases[] = {
        {nullptr, 1, "0001"}, {"0012", 12, "0012"}, {"abc", {}, "abc"}, {"<dword>", {}, "<dword>"}};
    for (const auto& c : cases) {
        test::MemorySerialBook book;
        book.counter = Stored(c.stored);
        std::optional<std::int32_t> counter;
        EXPECT_TRUE(serials::SerialPolicy(book).StartCounter(counter));
        EXPECT_EQ(counter, c.counter) << (c.stored ? c.stored : "none");
        EXPECT_EQ(book.counter.text, c.after);
    }
}

// The month's account: how each number stands, from the record's entries and the ledger's rows,
// whatever order the units came in.
TEST(SerialAccount, EachNumberStandsOnceWhateverOrderItsUnitsCameIn) {
    using Standing = serials::SerialAccountLine::Standing;
    auto entry = [](const std::string& run, const std::string& started, const std::string& serial,
                    bool reused) {
        platform::UnitEntry e;
        e.runId = run;
        e.started = started;
        e.serial = serial;
        e.reusedSerial = reused;
        e.outcome = "finished";
        return e;
    };
    const std::vector<platform::UnitEntry> entries = {
        entry("a", "2026-12-08T09:00", "2026120001", false),
        // A reuse whose station's clock is behind the original's.
        entry("b2", "2026-12-08T08:00", "2026120002", true),
        entry("b1", "2026-12-08T09:01", "2026120002", false),
        // Two units, neither confirmed.
        entry("c1", "2026-12-08T09:02", "2026120003", false),
        entry("c2", "2026-12-08T09:03", "2026120003", false),
        // A reuse of a number whose first run left no entry (killed after its stamp).
        entry("d2", "2026-12-08T09:04", "2026120004", true),
        entry("other month", "2026-11-30T23:00", "2026110009", false),
    };
    const std::vector<platform::LedgerEntry> rows = {
        {"2026120004", "reserved", "S", "d1", false},
        {"2026120005", "void", "S", "e", false},
        {"2026120006", "reserved", "S", "f", false},
        {"2026120009", "stamped", "S", "g", false},
    };
    const std::vector<platform::CounterSetting> settings = {{"0007", "0009", "S", "why", false}};
    const serials::SerialAccount account = serials::AccountFor("202612", entries, rows, settings);
    const std::vector<std::pair<Standing, std::size_t>> expected = {
        {Standing::OnOneUnit, 1},      {Standing::ReuseConfirmed, 2}, {Standing::Duplicate, 2},
        {Standing::ReuseConfirmed, 2}, {Standing::Void, 0},           {Standing::Reserved, 1},
        {Standing::NeverTaken, 0},     {Standing::NeverTaken, 0},     {Standing::OnOneUnit, 1},
    };
    ASSERT_EQ(account.lines.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(account.lines[i].standing, expected[i].first) << account.lines[i].serial;
        EXPECT_EQ(account.lines[i].units.size(), expected[i].second) << account.lines[i].serial;
    }
    // The counter stood at 0007 and was set to 0009: both numbers were passed over.
    for (std::size_t i : {6, 7})
        EXPECT_EQ(account.lines[i].why, "the counter was set from 0007 to 0009 (station S, why)");
    EXPECT_EQ(serials::SerialRanges({"2026120005", "2026120003", "2026120004", "2026120009",
                                     "20261210000", "2026110001"}),
              "202611: 0001; 202612: 0003\u20130005, 0009, 10000");
}

}  // namespace
}  // namespace bpconf
