#include "core/RiskPresentationPolicy.h"

#include <gtest/gtest.h>

#include <vector>

namespace tidemark {
namespace {

using L = RiskLevel;

TEST(RiskPresentationPolicyTest, OnlyTheReturnToSafeWaitsForASecondSafeTick) {
    const std::pair<std::vector<L>, std::vector<L>> cases[] = {
        {{L::warning, L::safe, L::watch, L::safe, L::safe},
         {L::warning, L::warning, L::watch, L::watch, L::safe}},
        {{L::critical, L::watch}, {L::critical, L::watch}},
    };
    for (const auto& [in, shown] : cases) {
        RiskPresentationPolicy policy;
        for (size_t i = 0; i < in.size(); ++i) {
            RiskAssessment a;
            a.score = int(i);
            a.level = in[i];
            ASSERT_EQ(policy.evaluate(a), shown[i]) << "tick " << i;
            const bool pending = in[i] == L::safe && shown[i] != L::safe;
            EXPECT_EQ(policy.isRecovering, pending);
            // While recovering, the last elevated assessment stays on show.
            EXPECT_EQ(policy.displayedAssessment->score, pending ? int(i) - 1 : int(i));
        }
    }
}

}  // namespace
}  // namespace tidemark
