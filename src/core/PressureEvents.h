#pragma once

#include <functional>
#include <memory>

namespace tidemark {

// Runs a callback on the main thread whenever the kernel flags a descriptor
// with its exceptional condition (POLLPRI), which is how Linux delivers a
// pressure trigger. The application's event loop implements it.
class DescriptorWatcher {
public:
    virtual ~DescriptorWatcher() = default;
    virtual void watchExceptional(int fd, std::function<void()> onReady) = 0;
    // Unwatching an unknown descriptor is harmless.
    virtual void unwatch(int fd) = 0;
};

// The kernel's own wake-up when memory pressure rises between two looks:
// a PSI trigger on Linux, the memory-pressure dispatch source on macOS.
class PressureEvents {
public:
    virtual ~PressureEvents() = default;
    // Starts listening; `onEvent` runs on the main thread at each report.
    // Returns false when the kernel refuses (no PSI, or a kernel that allows
    // no trigger to this user); the caller then relies on looking alone.
    virtual bool start(std::function<void()> onEvent) = 0;
    virtual void stop() = 0;
};

// The running system's pressure events, watched through `watcher`, which
// must outlive them.
std::unique_ptr<PressureEvents> makePressureEvents(DescriptorWatcher& watcher);

}  // namespace tidemark
