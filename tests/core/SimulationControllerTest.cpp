#include "core/SimulationController.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "ManualScheduler.h"

namespace tidemark {
namespace {

// Has always dispatched whatever it is asked to cancel, so every expiry runs.
struct LateScheduler final : Scheduler {
    TimerId scheduleAfter(double seconds, std::function<void()> action) override {
        return inner.scheduleAfter(seconds, std::move(action));
    }
    void cancel(TimerId) override {}
    test::ManualScheduler inner;
};

struct SimulationControllerTest : ::testing::Test {
    SimulationControllerTest() {
        controller->onStateChange = [this] { ++changes; };
    }
    LateScheduler late;
    test::ManualScheduler& scheduler = late.inner;
    std::unique_ptr<SimulationController> controller = std::make_unique<SimulationController>(late);
    int changes = 0;
};

TEST_F(SimulationControllerTest, ReplacedPreviewEndsSilentlyAndItsLateExpiryIsHarmless) {
    controller->start(warningPreviewAssessment(), 8);
    scheduler.advance(5);
    controller->start(watchPreviewAssessment(), 8);
    scheduler.advance(7.9);  // the first expiry runs at 8 s
    EXPECT_EQ(controller->assessment(), watchPreviewAssessment());
    EXPECT_EQ(changes, 2);
    scheduler.advance(0.1);
    EXPECT_FALSE(controller->assessment());
    EXPECT_TRUE(controller->hasEndedPreview());
    EXPECT_EQ(changes, 3);

    controller->start(warningPreviewAssessment(), 8);
    EXPECT_FALSE(controller->hasEndedPreview());
    controller->cancel(false);  // silent; its late expiry too
    EXPECT_TRUE(controller->hasEndedPreview());
    scheduler.advance(10);
    EXPECT_EQ(changes, 4);
    controller->start(warningPreviewAssessment(), 8);
    controller.reset();
    scheduler.advance(10);  // must not reach the destroyed controller
    EXPECT_EQ(changes, 5);
}

// A duration from a command line or a broken caller ends the preview at once
// (not a number, negative) or within a day (too long): a preview never
// stays on for good.
TEST_F(SimulationControllerTest, DurationsOutsideADayAreClamped) {
    const struct {
        double duration, endsBy;
    } cases[] = {{std::nan(""), 0}, {-5, 0}, {1e300, 86'400}};
    for (const auto& c : cases) {
        controller->start(warningPreviewAssessment(), c.duration);
        scheduler.advance(c.endsBy);
        EXPECT_FALSE(controller->assessment()) << c.duration;
    }
}

}  // namespace
}  // namespace tidemark
