#pragma once

#include "core/RiskAssessment.h"

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

}  // namespace tidemark
