#pragma once

#include <optional>
#include <string>

#include "core/Models.h"

namespace tidemark {

// The re-check after the user confirms having acted on a plan: one verdict
// on whether the kernel's pressure level went down, decided by the first
// sample at least a minute later. It compares levels only and never claims
// that the user's action caused the change.
struct AdviceFollowUp {
    static constexpr const char* kInitialMessage =
        "完成操作后，点击确认，再观察后续约 1 分钟的系统压力。";
    static constexpr const char* kWaitingMessage =
        "已确认操作；等待新的系统采样。不会推测你执行了什么，也不保证释放固定内存。";
    static constexpr const char* kDecreaseMessage =
        "观察到系统压力下降，仍需留意后续状态；不能证明下降由这次操作造成。";
    static constexpr const char* kNoDecreaseMessage =
        "暂未观察到压力下降。检查其他暂不用的对象，不要反复重启同一应用；若工作无法继续，先保存。";
    static constexpr const char* kInsufficientDataMessage =
        "数据不足，无法判断效果。请查看后续压力；不要因缺失数据重复退出应用。";
    // Shown while no verdict is due: before the first re-check, and for a
    // simulated plan, which is never re-checked.
    static constexpr const char* kRetryHint = "未改善时换对象，避免反复重启。";
    static constexpr const char* kSimulationMessage = "模拟建议，不进行真实复查。";

    std::optional<Timestamp> startedAt;
    Pressure baseline = Pressure::unknown;
    std::string message = kInitialMessage;

    // Starts, or restarts, a re-check. `sample` is the latest lightweight
    // sample; it serves as the baseline only when taken at most 120 s
    // before `now` (and not after it).
    void start(const std::optional<LightweightSample>& sample, Timestamp now);
    // Advances a pending re-check with a newly taken sample.
    void consume(const LightweightSample& sample);
    bool isPending() const { return startedAt.has_value(); }
};

}  // namespace tidemark
