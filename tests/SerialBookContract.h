// One contract for every book of serial numbers (the station's counter file with its SQLite
// ledger, the line's PostgreSQL database): the same calls of the serial-number policy, the same
// states afterwards. Each test binary instantiates it for the book it can reach: a factory type
// with `platform::ISerialBook& Book()` and `std::string Missing()`, which names what the book
// needs and this run lacks (empty when it is there); such a test is skipped, or fails when
// BPCONF_REQUIRE_DATABASE says it must run.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/SerialBook.h"
#include "serials/SerialNumber.h"
#include "serials/SerialPolicy.h"

namespace bpconf::test {

template <typename Factory>
class SerialBookContract : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string missing = factory_.Missing();
        if (missing.empty())
            return;
        if (std::getenv("BPCONF_REQUIRE_DATABASE") != nullptr)
            FAIL() << missing;
        GTEST_SKIP() << missing;
    }
    platform::ISerialBook& Book() { return factory_.Book(); }
    // The states of the ledger's rows of a serial number, in the order they were taken.
    std::vector<std::string> States(const std::string& serial) {
        platform::SerialFacts facts;
        EXPECT_TRUE(Book().Ledger().Find(serial, facts));
        std::vector<std::string> states;
        for (const auto& row : facts.rows)
            states.push_back(row.state);
        return states;
    }
    // The counter as a number (the file holds "0004", the line's database 4).
    std::optional<std::int32_t> Counter() {
        return serials::ParseCounter(Book().ReadCounter().text);
    }
    serials::TakenSerial Take(const std::string& run) {
        serials::SerialPolicy policy(Book());
        serials::TakeRequest request{"202612", nullptr, "", run, "S1"};
        serials::TakenSerial taken;
        EXPECT_TRUE(policy.Take(request, taken)) << run;
        return taken;
    }
    Factory factory_;
};

TYPED_TEST_SUITE_P(SerialBookContract);

// A number settles stamped when its message reached the unit, void when it never left, and
// stays reserved when it was handed over and never confirmed; a settlement that finds no
// reservation of the run changes nothing and says so.
TYPED_TEST_P(SerialBookContract, SettlingStampedVoidOrLeftReserved) {
    using Kind = serials::SerialProblem::Kind;
    serials::SerialPolicy policy(this->Book());
    const serials::TakenSerial stamped = this->Take("run1");
    const serials::TakenSerial voided = this->Take("run2");
    const serials::TakenSerial unconfirmed = this->Take("run3");
    EXPECT_EQ(stamped.serial, "2026120001");
    EXPECT_EQ(unconfirmed.serial, "2026120003");
    EXPECT_EQ(this->Counter(), 4);

    EXPECT_TRUE(policy.Settle(stamped, *serials::SettlementOf(true, true)));
    EXPECT_TRUE(policy.Settle(voided, *serials::SettlementOf(false, false)));
    EXPECT_FALSE(serials::SettlementOf(true, false).has_value());
    EXPECT_EQ(this->States("2026120001"), std::vector<std::string>{"stamped"});
    EXPECT_EQ(this->States("2026120002"), std::vector<std::string>{"void"});
    EXPECT_EQ(this->States("2026120003"), std::vector<std::string>{"reserved"});

    EXPECT_EQ(policy.Settle(stamped, serials::SerialState::Void).kind, Kind::NotSettled);
    serials::TakenSerial otherRun = unconfirmed;
    otherRun.runId = "run9";
    EXPECT_EQ(policy.Settle(otherRun, serials::SerialState::Stamped).kind, Kind::NotSettled);
    EXPECT_EQ(this->States("2026120003"), std::vector<std::string>{"reserved"});

    // What the ledger says decides the next run: a void number is on no unit, a reserved one
    // may be.
    EXPECT_TRUE(policy.Plan("202612", 2, "").problem);
    EXPECT_EQ(policy.Plan("202612", 3, "").problem.kind, Kind::OnAUnit);
    EXPECT_EQ(policy.Plan("202612", 1, "").problem.kind, Kind::OnAUnit);
}

// The ledger refuses a second unit for a number; the section goes on, and what it kept after the
// refusal is stored with the counter.
TYPED_TEST_P(SerialBookContract, RefusedRowLeavesTheSectionUsable) {
    this->Take("run1");
    const platform::BookResult done = this->Book().Exclusive([](platform::ISerialSection& s) {
        EXPECT_EQ(s.Add({"2026120001", "reserved", "S2", "run2", false}).failure,
                  platform::BookResult::Failure::Duplicate);
        EXPECT_TRUE(s.Add({"2026120001", "reserved", "S2", "run3", true}));  // a confirmed reuse
        EXPECT_TRUE(s.Add({"2026120007", "reserved", "S2", "run4", false}));
        s.SetCounter("0008");
        return true;
    });
    EXPECT_TRUE(done) << done.reason;
    EXPECT_EQ(this->States("2026120001"), (std::vector<std::string>{"reserved", "reserved"}));
    EXPECT_EQ(this->States("2026120007"), std::vector<std::string>{"reserved"});
    EXPECT_EQ(this->Counter(), 8);
    // A section that gives up keeps nothing.
    EXPECT_TRUE(this->Book().Exclusive([](platform::ISerialSection& s) {
        s.Add({"2026120009", "reserved", "S2", "run5", false});
        s.SetCounter("0010");
        return false;
    }));
    EXPECT_TRUE(this->States("2026120009").empty());
    EXPECT_EQ(this->Counter(), 8);
}

// The highest number of a month is the longest and greatest of its serial numbers, whatever
// order the store collates text in; a setting below it is refused unless forced, and the last
// setting is what a later refusal reads.
TYPED_TEST_P(SerialBookContract, HighestOfAMonthAndTheLastSetting) {
    using Kind = serials::SerialProblem::Kind;
    for (const char* run : {"run1", "run2"})
        this->Take(run);
    bool added = false;
    ASSERT_TRUE(this->Book().Exclusive([&](platform::ISerialSection& s) {
        added = true;
        for (const char* serial : {"2026129999", "20261210000", "2026110500", "2027010001"})
            added = s.Add({serial, "stamped", "S2", std::string("old-") + serial, false}) && added;
        return added;
    }));
    ASSERT_TRUE(added);
    const struct {
        const char* stamp;
        const char* highest;
    } months[] = {{"202612", "20261210000"},
                  {"202611", "2026110500"},
                  {"202701", "2027010001"},
                  {"202605", ""}};
    for (const auto& m : months) {
        std::string serial = "unchanged";
        EXPECT_TRUE(this->Book().Ledger().Highest(m.stamp, serial)) << m.stamp;
        EXPECT_EQ(serial, m.highest) << m.stamp;
    }

    serials::SerialPolicy policy(this->Book());
    EXPECT_EQ(policy.SetCounter(5, "202612", "S2", "test", false).kind, Kind::BelowLedger);
    EXPECT_EQ(this->Counter(), 3);
    EXPECT_TRUE(policy.SetCounter(5, "202612", "S2", "test", true));
    EXPECT_EQ(this->Counter(), 5);
    platform::CounterSetting last;
    bool found = false;
    EXPECT_TRUE(this->Book().Ledger().LastSetting(last, found));
    ASSERT_TRUE(found);
    EXPECT_EQ(last.to, "0005");
    EXPECT_TRUE(last.forced);
    EXPECT_TRUE(policy.SetCounter(10001, "202612", "S2", "test", false));
    EXPECT_TRUE(this->Book().Ledger().LastSetting(last, found));
    EXPECT_EQ(last.to, "10001");
    EXPECT_FALSE(last.forced);
}

REGISTER_TYPED_TEST_SUITE_P(SerialBookContract, SettlingStampedVoidOrLeftReserved,
                            RefusedRowLeavesTheSectionUsable, HighestOfAMonthAndTheLastSetting);

}  // namespace bpconf::test
