#pragma once

#include <map>
#include <utility>

#include "core/Clock.h"

namespace tidemark::test {

// A clock and scheduler that only move when the test says so.
class ManualScheduler final : public Scheduler, public Clock {
public:
    explicit ManualScheduler(Timestamp start = 1'765'000'000.0) : m_now(start) {}

    Timestamp now() const override { return m_now; }
    // Sets the wall clock only, as a user or a time service would.
    void setNow(Timestamp t) { m_now = t; }
    double monotonicSeconds() const override { return m_monotonic; }

    TimerId scheduleAfter(double seconds, std::function<void()> action) override {
        TimerId id = ++m_nextId;
        m_pending.emplace(std::make_pair(m_now + (seconds > 0 ? seconds : 0), id),
                          std::move(action));
        return id;
    }

    void cancel(TimerId id) override {
        for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
            if (it->first.second == id) {
                m_pending.erase(it);
                return;
            }
        }
    }

    // Moves time forward, running every action that falls due, in order of
    // due time (ties: scheduling order). Actions may schedule more actions.
    void advance(double seconds) {
        const Timestamp end = m_now + seconds;
        while (!m_pending.empty() && m_pending.begin()->first.first <= end) {
            auto node = m_pending.extract(m_pending.begin());
            m_monotonic += std::max(0.0, node.key().first - m_now);
            m_now = std::max(m_now, node.key().first);
            node.mapped()();
        }
        m_monotonic += std::max(0.0, end - m_now);
        m_now = end;
    }

    // Runs what is due now (zero-delay work), without moving time.
    void runPending() { advance(0); }

    size_t pendingCount() const { return m_pending.size(); }
    bool isPending(TimerId id) const {
        for (const auto& [key, action] : m_pending) {
            if (key.second == id)
                return true;
        }
        return false;
    }

private:
    Timestamp m_now;
    double m_monotonic = 0;
    TimerId m_nextId = 0;
    std::map<std::pair<Timestamp, TimerId>, std::function<void()>> m_pending;
};

}  // namespace tidemark::test
