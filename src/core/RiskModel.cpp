#include "core/RiskModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/RiskPolicy.h"

namespace tidemark {

using namespace risk;

namespace {

unsigned basePoints(Pressure pressure) {
    switch (pressure) {
        case Pressure::normal:
            return kNormalPressurePoints;
        case Pressure::warning:
            return kWarningPressurePoints;
        case Pressure::critical:
            return kCriticalPressurePoints;
        case Pressure::unknown:
            break;
    }
    return kUnknownPressurePoints;
}

// The points of the first step `value` reaches; 0 below the last.
template <typename T, std::size_t N>
unsigned stepPoints(const ScoreStep<T> (&steps)[N], T value) {
    for (const ScoreStep<T>& step : steps) {
        if (value >= step.atLeast) {
            return step.points;
        }
    }
    return 0;
}

unsigned swapSharePoints(const LightweightSample& sample) {
    if (!sample.swapUsedBytes || sample.physicalMemoryBytes == 0) {
        return 0;
    }
    const double ratio = static_cast<double>(*sample.swapUsedBytes) /
                         static_cast<double>(sample.physicalMemoryBytes);
    return stepPoints(kSwapInUseSteps, ratio);
}

unsigned swapGrowthPoints(std::optional<std::int64_t> growth) {
    return growth ? stepPoints(kSwapGrowthSteps, *growth) : 0;
}

RiskLevel levelForScore(unsigned score) {
    if (score >= kCriticalScore) {
        return RiskLevel::critical;
    }
    if (score >= kWarningScore) {
        return RiskLevel::warning;
    }
    return score >= kWatchScore ? RiskLevel::watch : RiskLevel::safe;
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
    if (growth && *growth >= kSwapGrowthNoticedBytes) {
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
    const Timestamp target = now - kSwapGrowthSpanSeconds;
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
    if (now - baseline->capturedAt < kSwapGrowthMinimumSpanSeconds) {
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
    if (sample.pressure == Pressure::warning && pressureDuration >= kSustainedWarningSeconds) {
        score += kSustainedWarningPoints;
    } else if (sample.pressure == Pressure::critical &&
               pressureDuration >= kSustainedCriticalSeconds) {
        score += kSustainedCriticalPoints;
    }
    if (sample.pressure == Pressure::normal) {
        score = std::min(score, kNormalPressureScoreCap);
    } else if (sample.pressure == Pressure::unknown) {
        score = std::min(score, kUnknownPressureScoreCap);
    }

    const RiskLevel level = levelForScore(score);
    return RiskAssessment{
        .score = static_cast<int>(std::min(score, kMaximumScore)),
        .level = level,
        .swapGrowthFiveMinutesBytes = growth,
        .pressureDuration = pressureDuration,
        .summary = summaryFor(level, sample.pressure, growth),
    };
}

}  // namespace tidemark
