#pragma once

#include <optional>
#include <vector>

#include "core/Models.h"
#include "core/RiskAssessment.h"

namespace tidemark::ui {

// Everything the panel shows, given to it in one piece.
struct PanelState {
    // None before the first assessment; the panel then reads as calm.
    std::optional<RiskAssessment> assessment = std::nullopt;
    std::optional<LightweightSample> sample = std::nullopt;
    // Largest first; the panel shows the first three.
    std::vector<AppMemory> applications = {};
    bool applicationRankingAvailable = true;
    bool notificationsEnabled = false;
    bool notificationsAvailable = true;
    bool isSimulation = false;
    bool isRecovering = false;
    bool hasEndedPreview = false;
};

}  // namespace tidemark::ui
