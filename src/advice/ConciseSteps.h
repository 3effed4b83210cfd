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

// The words around the steps: the window's heading, the decision it asks
// for, why, what to check first and what to do when nothing can go.
struct Framing {
    std::string summary;
    std::string decision;
    std::string evidence;
    std::string condition;
    std::string fallback;
};

Framing framingFor(const AdvicePlan& plan, bool watching);
// Nothing needs relief.
Framing noPlanFraming();
// The risk passed while plans were shown: none of their steps applies.
Framing recoveredFraming();

// The plan in full, as the engine wrote it, one line each.
std::string fullText(const AdvicePlan& plan);
// Where the plan's rule comes from.
std::string sourceText(const AdvicePlan& plan);

}  // namespace ConciseSteps

}  // namespace tidemark
