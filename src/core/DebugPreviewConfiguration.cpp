#include "core/DebugPreviewConfiguration.h"

namespace tidemark {

DebugPreviewConfiguration DebugPreviewConfiguration::fromSwitches(bool enablePreview,
                                                                  bool manualPreview) {
    DebugPreviewConfiguration config;
    config.isEnabled = enablePreview;
    // The long preview is only meaningful together with the preview controls.
    config.duration = enablePreview && manualPreview ? 120 : 8;
    return config;
}

RiskAssessment warningPreviewAssessment() {
    return RiskAssessment{
        .score = 84,
        .level = RiskLevel::warning,
        .swapGrowthFiveMinutesBytes = 1'073'741'824,
        .pressureDuration = 180,
        .summary = "测试模式：这是界面和通知预览，未压测内存。",
    };
}

RiskAssessment watchPreviewAssessment() {
    return RiskAssessment{
        .score = 68,
        .level = RiskLevel::watch,
        .swapGrowthFiveMinutesBytes = 536'870'912,
        .pressureDuration = 0,
        .summary = "开发模式：观察态预览。",
    };
}

}  // namespace tidemark
