#include "core/SimulationController.h"

#include <algorithm>
#include <cmath>

namespace tidemark {

namespace {

constexpr double kMaxPreviewSeconds = 86'400;

double clampedSeconds(double seconds) {
    if (!std::isfinite(seconds)) {
        return 0;
    }
    return std::clamp(seconds, 0.0, kMaxPreviewSeconds);
}

}  // namespace

SimulationController::SimulationController(Scheduler& scheduler)
    : m_scheduler(scheduler), m_self(std::make_shared<SimulationController*>(this)) {}

SimulationController::~SimulationController() {
    if (m_expiration) {
        m_scheduler.cancel(*m_expiration);
    }
}

TimerId SimulationController::start(const RiskAssessment& assessment, double durationSeconds) {
    cancel(false);
    m_hasEndedPreview = false;
    const std::uint64_t token = ++m_lastToken;
    m_token = token;
    m_assessment = assessment;

    // Scheduled before the callback runs, so that a callback which starts or
    // cancels a preview itself finds this expiry in place to cancel.
    std::weak_ptr<SimulationController*> weakSelf = m_self;
    const TimerId id =
        m_scheduler.scheduleAfter(clampedSeconds(durationSeconds), [weakSelf, token] {
            if (auto self = weakSelf.lock()) {
                (*self)->expire(token);
            }
        });
    m_expiration = id;
    notifyStateChange();
    return id;
}

void SimulationController::cancel(bool notify) {
    if (m_assessment) {
        m_hasEndedPreview = true;
    }
    if (m_expiration) {
        m_scheduler.cancel(*m_expiration);
        m_expiration.reset();
    }
    m_token.reset();
    m_assessment.reset();
    if (notify) {
        notifyStateChange();
    }
}

void SimulationController::expire(std::uint64_t token) {
    // A replaced preview's expiry may still run (the scheduler may have
    // dispatched it already); the token tells it apart from the current one.
    if (m_token != token) {
        return;
    }
    // The timer has fired; forget its id so that cancel does not cancel an id
    // the scheduler may since have handed out again.
    m_expiration.reset();
    cancel(true);
}

void SimulationController::notifyStateChange() {
    // A copy, so that the callback may replace onStateChange or end the
    // controller's life without pulling the function out from under itself.
    if (auto callback = onStateChange) {
        callback();
    }
}

}  // namespace tidemark
