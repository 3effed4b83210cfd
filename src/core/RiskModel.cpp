#include "core/RiskModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tidemark {

namespace {

constexpr std::int64_t kMiB256 = 268'435'456;
constexpr std::int64_t kGiB = 1'073'741'824;
constexpr std::int64_t kGiB2 = 2'147'483'648;

unsigned basePoints(Pressure pressure) {
    switch (pressure) {
        case Pressure::normal:
            return 10;
        case Pressure::warning:
            return 65;
        case Pressure::critical:
            return 90;
        case Pressure::unknown:
            break;
    }
    return 20;
}

unsigned swapSharePoints(const LightweightSample& sample) {
    if (!sample.swapUsedBytes || sample.physicalMemoryBytes == 0) {
        return 0;
    }
    const double ratio = static_cast<double>(*sample.swapUsedBytes) /
                         static_cast<double>(sample.physicalMemoryBytes);
    if (ratio >= 0.5) {
        return 15;
    }
    if (ratio >= 0.3) {
        return 10;
    }
    return ratio >= 0.15 ? 5 : 0;
}

unsigned swapGrowthPoints(std::optional<std::int64_t> growth) {
    if (!growth) {
        return 0;
    }
    if (*growth >= kGiB2) {
        return 50;
    }
    if (*growth >= kGiB) {
        return 35;
    }
    return *growth >= kMiB256 ? 15 : 0;
}

RiskLevel levelForScore(unsigned score) {
    if (score >= 90) {
        return RiskLevel::critical;
    }
    if (score >= 80) {
        return RiskLevel::warning;
    }
    return score >= 60 ? RiskLevel::watch : RiskLevel::safe;
}

const char* summaryFor(RiskLevel level, Pressure pressure, std::optional<std::int64_t> growth) {
    switch (level) {
        case RiskLevel::critical:
            return "内存压力很高，请先保存工作";
        case RiskLevel::warning:
            return "风险持续升高，建议准备处理";
        case RiskLevel::safe:
            return "目前无需处理";
        case RiskLevel::watch:
            break;
    }
    if (growth && *growth >= kMiB256) {
        return "Swap 正在增长，先观察一会儿";
    }
    if (pressure == Pressure::warning) {
        return "内存压力升高，正在观察";
    }
    return "资源余量变小，暂时无需处理";
}

// Swap figures are unsigned; clamping first keeps the difference inside a
// signed 64-bit value whatever the readings.
std::int64_t clampedBytes(std::uint64_t bytes) {
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(std::min(bytes, kMax));
}

double currentPressureDuration(const std::vector<LightweightSample>& samples, Timestamp now) {
    if (samples.empty()) {
        return 0;
    }
    const LightweightSample& latest = samples.back();
    if (latest.pressure != Pressure::warning && latest.pressure != Pressure::critical) {
        return 0;
    }
    Timestamp start = latest.capturedAt;
    for (auto it = samples.rbegin() + 1; it != samples.rend() && it->pressure == latest.pressure;
         ++it) {
        start = it->capturedAt;
    }
    return now - start;
}

std::optional<std::int64_t> fiveMinuteSwapGrowth(const std::vector<LightweightSample>& samples,
                                                 Timestamp now) {
    if (samples.empty() || !samples.back().swapUsedBytes) {
        return std::nullopt;
    }
    const Timestamp target = now - 300;
    const LightweightSample* baseline = nullptr;
    double bestDistance = 0;
    for (const LightweightSample& s : samples) {
        if (!s.swapUsedBytes) {
            continue;
        }
        const double distance = std::abs(s.capturedAt - target);
        // Strictly closer only, so that a tie keeps the earlier sample.
        if (baseline == nullptr || distance < bestDistance) {
            baseline = &s;
            bestDistance = distance;
        }
    }
    if (now - baseline->capturedAt < 240) {
        return std::nullopt;
    }
    return clampedBytes(*samples.back().swapUsedBytes) - clampedBytes(*baseline->swapUsedBytes);
}

}  // namespace

RiskAssessment RiskModel::evaluate(const LightweightSample& sample) {
    samples.push_back(sample);
    // Erased in place so that the vector's storage is reused from tick to tick.
    std::erase_if(samples, [&](const LightweightSample& s) {
        return sample.capturedAt - s.capturedAt > historyWindow;
    });

    const double pressureDuration = currentPressureDuration(samples, sample.capturedAt);
    const std::optional<std::int64_t> growth = fiveMinuteSwapGrowth(samples, sample.capturedAt);

    unsigned score =
        basePoints(sample.pressure) + swapSharePoints(sample) + swapGrowthPoints(growth);
    if (sample.pressure == Pressure::warning && pressureDuration >= 180) {
        score += 15;
    } else if (sample.pressure == Pressure::critical && pressureDuration >= 60) {
        score += 10;
    }
    if (sample.pressure == Pressure::normal) {
        score = std::min(score, 79u);
    } else if (sample.pressure == Pressure::unknown) {
        score = std::min(score, 59u);
    }

    const RiskLevel level = levelForScore(score);
    return RiskAssessment{
        .score = static_cast<int>(std::min(score, 100u)),
        .level = level,
        .swapGrowthFiveMinutesBytes = growth,
        .pressureDuration = pressureDuration,
        .summary = summaryFor(level, sample.pressure, growth),
    };
}

}  // namespace tidemark
