#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/TickPacer.h"

namespace {

constexpr std::uint64_t kPeriod = 1000;

// What the timer delivers and how long each tick runs; for each delivery, whether the tick ran
// and whether the timer was started again after it.
struct Delivery {
    std::uint64_t at;
    std::uint64_t runsFor;
    bool runs;
    bool rearms;
};

struct PaceCase {
    const char* name;
    std::vector<Delivery> deliveries;
};

void PrintTo(const PaceCase& c, std::ostream* os) { *os << c.name; }

class TickPace : public testing::TestWithParam<PaceCase> {};

TEST_P(TickPace, RunsAndRearmsAsTheStopAndRestartDid) {
    TickPacer pacer(kPeriod);
    for (const Delivery& d : GetParam().deliveries) {
        SCOPED_TRACE(testing::Message() << "tick delivered at " << d.at);
        ASSERT_EQ(pacer.Begin(d.at), d.runs);
        if (d.runs) {
            EXPECT_EQ(pacer.End(d.at + d.runsFor), d.rearms);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TickPace,
    testing::Values(
        // The first tick (the direct call at startup) and the timer's, a period apart: no re-arming.
        PaceCase{"Steady",
                 {{5, 0, true, false}, {1005, 1, true, false}, {2005, 0, true, false}, {3006, 2, true, false}}},
        // A tick of 2.5 periods: the timer kept one tick due, delivered right after; it is dropped,
        // and the timer, started again at the long tick's end, gives the next a period later.
        PaceCase{"LongTickLeavesNoPileUp",
                 {{0, 0, true, false}, {1000, 2500, true, true}, {3501, 0, false, false}, {4500, 0, true, false}}},
        // A tick of exactly one period counts as long; one just under it does not.
        PaceCase{"PeriodIsTheLimit", {{0, 999, true, false}, {1999, 1000, true, true}}},
        // A tick the timer delivered late (a busy system) and the next, on time, both run: only a
        // long tick leaves one due that is dropped.
        PaceCase{"LateTicksAreNotDropped", {{0, 0, true, false}, {1600, 0, true, false}, {2000, 0, true, false}}},
        // After a long tick, only the first delivery within half a period of its end is dropped.
        PaceCase{"HalfAPeriodAfterALongTickIsTheLimit",
                 {{0, 1000, true, true}, {1499, 0, false, false}, {1600, 0, true, false}}},
        PaceCase{"TheDeliveryHalfAPeriodAfterALongTickRuns", {{0, 1000, true, true}, {1500, 0, true, false}}}),
    [](const testing::TestParamInfo<PaceCase>& info) { return info.param.name; });

// A tick that pumps messages (a modal loop inside it) meets the timer's next tick: it is not run
// inside the first, and the pacer takes ticks again once the first has ended.
TEST(TickPacer, NoTickInsideARunningOne) {
    TickPacer pacer(kPeriod);
    ASSERT_TRUE(pacer.Begin(0));
    EXPECT_TRUE(pacer.Running());
    EXPECT_FALSE(pacer.Begin(1000));
    EXPECT_FALSE(pacer.Begin(2000));
    EXPECT_TRUE(pacer.End(2100));
    EXPECT_FALSE(pacer.Running());
    EXPECT_TRUE(pacer.Begin(3100));
}

} // namespace
