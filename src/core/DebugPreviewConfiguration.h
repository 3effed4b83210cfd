#pragma once

#include <cstdint>

#include "core/RiskAssessment.h"
#include "core/RiskPolicy.h"

namespace tidemark {

// Command-line switches that enable the preview controls and choose how long
// a preview lasts.
struct DebugPreviewConfiguration {
    bool isEnabled = false;
    double duration = 8;  // seconds

    // From --enable-debug-preview and --manual-debug-preview.
    static DebugPreviewConfiguration fromSwitches(bool enablePreview, bool manualPreview);
};

// Simulated assessments for trying out the interface and notifications
// without putting the machine under memory pressure.
RiskAssessment warningPreviewAssessment();
RiskAssessment watchPreviewAssessment();

// The warning preview's swap growth: one the model counts as fast, so that the
// advice previewed with it is what such a growth gets.
inline constexpr std::int64_t kWarningPreviewSwapGrowthBytes = risk::kSwapGrowthFastBytes;

}  // namespace tidemark
