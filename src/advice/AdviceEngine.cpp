#include "advice/AdviceEngine.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "advice/AdviceFamily.h"
#include "core/Formatting.h"
#include "core/RiskPolicy.h"
#include "core/TextCase.h"

namespace tidemark {

namespace {

using namespace std::string_view_literals;

bool contains(std::span<const std::string_view> list, std::string_view value) {
    for (std::string_view entry : list) {
        if (entry == value) {
            return true;
        }
    }
    return false;
}

// A present bundle identifier decides alone: an unlisted one is never
// rescued by a familiar-looking name.
AdviceFamily recognise(const AppMemory& app) {
    const std::span<const AdviceFamilyTexts* const> families = recognisableFamilies();
    if (app.bundleIdentifier) {
        for (const AdviceFamilyTexts* family : families) {
            if (contains(family->bundleIdentifiers, *app.bundleIdentifier)) {
                return family->family;
            }
        }
        return AdviceFamily::general;
    }
    const std::string name = lowercased(app.name);
    for (const AdviceFamilyTexts* family : families) {
        if (contains(family->names, name)) {
            return family->family;
        }
    }
    return AdviceFamily::general;
}

std::string_view saveInstruction(RiskLevel level) {
    switch (level) {
        case RiskLevel::critical:
            return "请立即保存工作。";
        case RiskLevel::warning:
            return "先保存工作。";
        case RiskLevel::watch:
        case RiskLevel::safe:
            break;
    }
    return "可以继续工作。";
}

std::string join(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view part : parts) {
        out.append(part);
    }
    return out;
}

AdvicePlan systemPlan(RiskLevel level, std::optional<std::int64_t> swapGrowthFiveMinutesBytes) {
    const AdviceFamilyTexts& family = adviceFamily(AdviceFamily::system);
    const bool heavySwapping =
        swapGrowthFiveMinutesBytes && *swapGrowthFiveMinutesBytes >= risk::kSwapGrowthNoticedBytes;
    return AdvicePlan{
        .id = "system.inspect.v1",
        .target = "系统整体",
        .summary = level == RiskLevel::watch ? "继续工作；先检查是否有暂不用的应用。"
                                             : "先保存工作，再检查暂不用的应用。",
        .evidence = heavySwapping ? "系统正在频繁腾挪内存；没有足够依据指向单个应用。"
                                  : "系统风险升高，但没有足够依据指向单个应用。",
        .condition = std::string(family.condition),
        .steps = {family.steps.begin(), family.steps.end()},
        .fallback = "若所有应用都在使用，先保全工作，等待当前任务完成；不要为了降低数字强制退出。",
        .source = std::string(family.source),
        .family = AdviceFamily::system,
        .level = level,
    };
}

// Judged by what closing the application would give back, not by pages its
// processes share and would keep.
bool qualifies(RiskLevel level, const AppMemory& app, std::uint64_t physicalMemoryBytes) {
    if (physicalMemoryBytes == 0 || app.footprintBytes < risk::kAdviceMinimumApplicationBytes) {
        return false;
    }
    const double share =
        static_cast<double>(app.footprintBytes) / static_cast<double>(physicalMemoryBytes);
    return share >=
           (level == RiskLevel::watch ? risk::kAdviceWatchShare : risk::kAdviceWarningShare);
}

// "5 分钟" for the span a growth was measured over, never "0 分钟".
std::string growthSpan(double seconds) {
    if (!(seconds >= 90)) {
        return "1 分钟内";
    }
    const double minutes = std::min(std::round(seconds / 60), 60.0);
    return std::to_string(static_cast<int>(minutes)) + " 分钟";
}

std::string evidenceFor(const AppMemory& app) {
    const std::string figure = formatBytes(app.footprintBytes);
    if (!app.growth) {
        return join({app.name, " 合计占用约 "sv, figure,
                     "。系统风险升高；此排名不能证明它导致卡顿，也没有连续增长证据。"sv});
    }
    return join({app.name, " 合计占用约 "sv, figure, "，过去 "sv, growthSpan(app.growth->seconds),
                 "增长约 "sv, formatBytes(app.growth->bytes),
                 "。系统风险升高；它仍在增长，很可能是内存紧张的来源。"sv});
}

}  // namespace

namespace AdviceEngine {

std::vector<AdvicePlan> plans(RiskLevel level, const std::vector<AppMemory>& applications,
                              std::uint64_t physicalMemoryBytes,
                              std::optional<std::int64_t> swapGrowthFiveMinutesBytes) {
    std::vector<AdvicePlan> result;
    if (level == RiskLevel::safe) {
        return result;
    }
    std::vector<const AppMemory*> chosen;
    const size_t considered = std::min<size_t>(applications.size(), 3);
    for (size_t i = 0; i < considered; ++i) {
        if (qualifies(level, applications[i], physicalMemoryBytes)) {
            chosen.push_back(&applications[i]);
        }
    }
    // A growing application is the likely cause of the shortage, so it is
    // offered before larger ones that hold steady; otherwise the order is
    // the caller's.
    std::stable_partition(chosen.begin(), chosen.end(),
                          [](const AppMemory* app) { return app->growth.has_value(); });
    for (const AppMemory* app : chosen) {
        result.push_back(plan(level, *app));
    }
    if (result.empty()) {
        result.push_back(systemPlan(level, swapGrowthFiveMinutesBytes));
    }
    return result;
}

AdvicePlan plan(RiskLevel level, const AppMemory& app) {
    const AdviceFamilyTexts& family = adviceFamily(recognise(app));
    AdvicePlan out;
    out.family = family.family;
    out.level = level;
    out.id = join({family.prefix, "."sv, toString(level), ".v1"sv});
    out.target = app.name;
    if (family.family == AdviceFamily::general) {
        out.summary = join({saveInstruction(level), "确认 "sv, app.name, " 是否暂不使用。"sv});
        out.steps = {
            join({"切回 "sv, app.name, "，保存未保存内容，并确认没有上传、下载或运行中的任务。"sv}),
            std::string(family.steps.back())};
    } else {
        out.summary = join({saveInstruction(level),
                            level == RiskLevel::watch ? family.watchAction : family.action});
        out.steps.assign(family.steps.begin(), family.steps.end());
    }
    out.condition = family.condition;
    out.source = family.source;
    out.evidence = evidenceFor(app);
    out.fallback =
        "找不到对应菜单或不能满足保护条件时，不执行退出；可换一个暂不用的对象。"
        "复查未改善时检查其他对象，不反复重启同一应用。";
    if (level == RiskLevel::watch) {
        // While only watching, nothing is to be quit: keep the first
        // (inspecting) step and replace the rest.
        out.condition = join({"当前仅检查，不执行退出。若状态变红，再确认："sv, out.condition});
        out.steps.resize(1);
        out.steps.emplace_back(
            "当前只做检查和正常保存，不退出应用、不关闭正在使用的页面。没有适用对象时继续工作，"
            "留意后续状态。");
    }
    return out;
}

}  // namespace AdviceEngine

}  // namespace tidemark
