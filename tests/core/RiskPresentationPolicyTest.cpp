#include "core/RiskPresentationPolicy.h"

#include <gtest/gtest.h>

#include <vector>

namespace tidemark {
namespace {

using L = RiskLevel;

TEST(RiskPresentationPolicyTest, OnlyTheReturnToSafeWaitsForASecondSafeTick) {
    struct Case {
        std::vector<L> in, shown;
    };
    const Case cases[] = {
        {{L::warning, L::safe, L::safe}, {L::warning, L::warning, L::safe}},
        {{L::warning, L::safe, L::watch, L::safe, L::safe},
         {L::warning, L::warning, L::watch, L::watch, L::safe}},
        {{L::critical, L::watch}, {L::critical, L::watch}},
        {{L::safe}, {L::safe}},
    };
    for (const Case& c : cases) {
        RiskPresentationPolicy policy;
        int recoveries = 0;
        for (size_t i = 0; i < c.in.size(); ++i) {
            RiskAssessment a;
            a.score = int(i);
            a.level = c.in[i];
            const L before = policy.displayedLevel;
            ASSERT_EQ(policy.evaluate(a), c.shown[i]) << "tick " << i;
            recoveries += before != L::safe && c.shown[i] == L::safe;
            const bool pending = c.in[i] == L::safe && c.shown[i] != L::safe;
            EXPECT_EQ(policy.isRecovering, pending);
            // While recovering, the last elevated assessment stays on show.
            EXPECT_EQ(policy.displayedAssessment->score, pending ? int(i) - 1 : int(i));
        }
        EXPECT_EQ(recoveries, c.shown.back() == L::safe && c.in.size() > 1);
    }
}

}  // namespace
}  // namespace tidemark
