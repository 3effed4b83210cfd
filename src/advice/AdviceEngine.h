#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "advice/AdvicePlan.h"
#include "core/Models.h"
#include "core/RiskAssessment.h"

namespace tidemark {

// Pure text production: the same inputs always give the same plans, and
// nothing here ever acts on the machine.
namespace AdviceEngine {

// Plans for the largest of `applications` (largest first, as captured);
// empty at safe, otherwise one to three application plans or exactly the
// system plan. Only the first three applications are ever considered.
std::vector<AdvicePlan> plans(RiskLevel level, const std::vector<AppMemory>& applications,
                              std::uint64_t physicalMemoryBytes,
                              std::optional<std::int64_t> swapGrowthFiveMinutesBytes);

// The plan for one application at one level, whatever its size.
AdvicePlan plan(RiskLevel level, const AppMemory& app);

}  // namespace AdviceEngine

}  // namespace tidemark
