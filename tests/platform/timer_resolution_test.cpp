#include <gtest/gtest.h>

#include <vector>

#include "platform/timer_resolution.h"

namespace orvanta {
namespace {

struct LeaseStep {
    bool pause;          // a pause with this deadline begins, or a look at this time
    std::uint64_t atUs;
    bool answer;         // asked for now, or given back now
};

struct LeaseCase {
    const char* name;
    std::vector<LeaseStep> steps;
};

TEST(ResolutionLease, HeldFromTheFirstPauseUntilASecondAfterTheLastHasEnded)
{
    const LeaseCase cases[] = {
        {"asked for once", {{true, 2'000, true}, {true, 4'000, false}, {false, 5'000, false}}},
        {"given back a second after the last pause",
         {{true, 2'000, true}, {true, 100'000, false}, {false, 1'099'999, false}, {false, 1'100'000, true},
          {false, 3'000'000, false}}},
        {"a long pause keeps it to its end", {{true, 5'000'000, true}, {false, 5'999'999, false},
                                              {false, 6'000'000, true}}},
        {"an earlier deadline does not shorten it",
         {{true, 3'000'000, true}, {true, 1'000'000, false}, {false, 2'500'000, false}}},
        {"asked for again after it was given back",
         {{true, 1'000, true}, {false, 1'001'000, true}, {true, 2'000'000, true}}},
        {"nothing to give back before any pause", {{false, 5'000'000, false}}},
    };
    for (const LeaseCase& c : cases) {
        ResolutionLease lease;
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const LeaseStep& step = c.steps[i];
            const bool answer = step.pause ? lease.pauseBegins(step.atUs) : lease.lapsed(step.atUs);
            EXPECT_EQ(answer, step.answer) << c.name << ", step " << i;
        }
    }
}

}  // namespace
}  // namespace orvanta
