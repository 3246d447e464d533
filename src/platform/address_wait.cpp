#include "platform/address_wait.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace platform {

#ifdef _WIN32

void WaitWhileEqual(const std::uint32_t&, std::uint32_t, std::uint32_t) { ::SwitchToThread(); }
void WakeWaiters(const std::uint32_t&) {}

#else

void WaitWhileEqual(const std::uint32_t& word, std::uint32_t seen, std::uint32_t timeoutUs) {
    timespec timeout{};
    timeout.tv_sec = static_cast<time_t>(timeoutUs / 1000000);
    timeout.tv_nsec = static_cast<long>(timeoutUs % 1000000) * 1000;
    // The kernel compares the word with `seen` and sleeps only while they match.
    ::syscall(SYS_futex, const_cast<std::uint32_t*>(&word), FUTEX_WAIT_PRIVATE, seen, &timeout, nullptr, 0);
}

void WakeWaiters(const std::uint32_t& word) {
    ::syscall(SYS_futex, const_cast<std::uint32_t*>(&word), FUTEX_WAKE_PRIVATE, 0x7FFFFFFF, nullptr, nullptr, 0);
}

#endif

}  // namespace platform
