#include "core/DebugPreviewConfiguration.h"

namespace tidemark {

namespace {

// Each preview's score lies inside the band of the level it shows.
constexpr int kWarningPreviewScore = 84;
constexpr int kWatchPreviewScore = 68;
static_assert(kWarningPreviewScore >= static_cast<int>(risk::kWarningScore) &&
              kWarningPreviewScore < static_cast<int>(risk::kCriticalScore));
static_assert(kWatchPreviewScore >= static_cast<int>(risk::kWatchScore) &&
              kWatchPreviewScore < static_cast<int>(risk::kWarningScore));

}  // namespace

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
        .score = kWarningPreviewScore,
        .level = RiskLevel::warning,
        .swapGrowthFiveMinutesBytes = kWarningPreviewSwapGrowthBytes,
        .pressureDuration = risk::kSustainedWarningSeconds,
        .summary = "测试模式：这是界面和通知预览，未压测内存。",
    };
}

RiskAssessment watchPreviewAssessment() {
    return RiskAssessment{
        .score = kWatchPreviewScore,
        .level = RiskLevel::watch,
        .swapGrowthFiveMinutesBytes = 512 * risk::kMiB,
        .pressureDuration = 0,
        .summary = "开发模式：观察态预览。",
    };
}

}  // namespace tidemark
