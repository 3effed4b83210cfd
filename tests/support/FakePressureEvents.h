#pragma once

#include <functional>

#include "core/PressureEvents.h"

namespace tidemark::test {

// Pressure events the test fires by hand; `accept` false plays a kernel that
// refuses the trigger.
class FakePressureEvents final : public PressureEvents {
public:
    bool start(std::function<void()> onEvent) override {
        ++starts;
        if (!accept) {
            return false;
        }
        m_onEvent = std::move(onEvent);
        return true;
    }
    void stop() override { m_onEvent = nullptr; }

    bool isListening() const { return static_cast<bool>(m_onEvent); }
    void fire() {
        if (m_onEvent) {
            m_onEvent();
        }
    }

    bool accept = true;
    int starts = 0;

private:
    std::function<void()> m_onEvent;
};

}  // namespace tidemark::test
