#include <dispatch/dispatch.h>

#include "core/PressureEvents.h"

namespace tidemark {

namespace {

// The kernel's memory-pressure dispatch source, delivered on the main queue.
// It needs no descriptor, so the watcher goes unused.
class DarwinPressureEvents final : public PressureEvents {
public:
    ~DarwinPressureEvents() override { stop(); }

    bool start(std::function<void()> onEvent) override {
        stop();
        m_onEvent = std::move(onEvent);
        m_source =
            dispatch_source_create(DISPATCH_SOURCE_TYPE_MEMORYPRESSURE, 0,
                                   DISPATCH_MEMORYPRESSURE_WARN | DISPATCH_MEMORYPRESSURE_CRITICAL,
                                   dispatch_get_main_queue());
        if (m_source == nullptr) {
            return false;
        }
        dispatch_set_context(m_source, this);
        dispatch_source_set_event_handler_f(m_source, [](void* context) {
            auto* self = static_cast<DarwinPressureEvents*>(context);
            if (self->m_onEvent) {
                self->m_onEvent();
            }
        });
        dispatch_resume(m_source);
        return true;
    }

    void stop() override {
        if (m_source != nullptr) {
            dispatch_source_cancel(m_source);
            dispatch_release(m_source);
            m_source = nullptr;
        }
    }

private:
    dispatch_source_t m_source = nullptr;
    std::function<void()> m_onEvent;
};

}  // namespace

std::unique_ptr<PressureEvents> makePressureEvents(DescriptorWatcher&) {
    return std::make_unique<DarwinPressureEvents>();
}

}  // namespace tidemark
