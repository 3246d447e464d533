#include "platform/clock.hpp"

#include <atomic>
#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {
namespace {

std::atomic<std::uint32_t (*)()> g_tickHook{nullptr};
std::atomic<void (*)(std::uint32_t)> g_sleepHook{nullptr};

std::uint32_t RealTickCount() {
#ifdef _WIN32
    return static_cast<std::uint32_t>(::GetTickCount());
#else
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
#endif
}

}  // namespace

std::uint32_t TickCount() {
    auto hook = g_tickHook.load(std::memory_order_acquire);
    return hook != nullptr ? hook() : RealTickCount();
}

void SleepMs(std::uint32_t milliseconds) {
    auto hook = g_sleepHook.load(std::memory_order_acquire);
    if (hook != nullptr) {
        hook(milliseconds);
        return;
    }
#ifdef _WIN32
    ::Sleep(milliseconds);
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
#endif
}

void SetClockHooks(const ClockHooks& hooks) {
    g_tickHook.store(hooks.tickCount, std::memory_order_release);
    g_sleepHook.store(hooks.sleepMs, std::memory_order_release);
}

}  // namespace platform
