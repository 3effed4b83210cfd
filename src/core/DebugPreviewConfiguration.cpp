#include "core/DebugPreviewConfiguration.h"

#include <algorithm>

namespace tidemark {

DebugPreviewConfiguration DebugPreviewConfiguration::fromArguments(
    const std::vector<std::string>& args) {
    const auto has = [&](std::string_view flag) {
        return std::find(args.begin(), args.end(), flag) != args.end();
    };
    DebugPreviewConfiguration config;
    config.isEnabled = has("--enable-debug-preview");
    // The long preview is only meaningful together with the preview controls.
    config.duration = config.isEnabled && has("--manual-debug-preview") ? 120 : 8;
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
