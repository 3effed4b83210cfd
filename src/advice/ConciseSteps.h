#pragma once

#include <string>
#include <vector>

#include "advice/AdvicePlan.h"

namespace tidemark {

// The advice window's short form of a plan: two steps, each a title and a
// body separated by a line feed. The plan's own steps stay available in full.
namespace ConciseSteps {

// Whether the plan only asks the user to look and save (a watch-level plan).
bool isWatching(const AdvicePlan& plan);

std::vector<std::string> forPlan(const AdvicePlan& plan, bool watching);

}  // namespace ConciseSteps

}  // namespace tidemark
