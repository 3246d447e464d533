// Millisecond tick count and sleep, replaceable by tests so that long waits
// run in microseconds.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
std::uint32_t TickCount();
void SleepMs(std::uint32_t milliseconds);

struct ClockHooks {
    std::uint32_t (*tickCount)();
    void (*sleepMs)(std::uint32_t);
};

// Installs test hooks; a null member restores the real clock or sleep.
void SetClockHooks(const ClockHooks& hooks);

}  // namespace platform
