// Waiting for a 32-bit word in this process's memory to change, woken by the
// thread that changes it. Lets a polling thread sleep until a datagram lands
// instead of spinning against the thread that delivers it.
#pragma once

#include <cstdint>

namespace platform {

// Returns when the word no longer holds `seen`, when woken, or after the
// time-out; spurious returns are allowed. Where the system has no such wait
// (Win32 without WaitOnAddress), it only yields the processor.
void WaitWhileEqual(const std::uint32_t& word, std::uint32_t seen, std::uint32_t timeoutUs);
// Watches the word without sleeping for up to `spinUs` microseconds; true when
// it no longer holds `seen`. Costs a processor for that long, so callers spin
// only while it pays.
bool SpinWhileEqual(const std::uint32_t& word, std::uint32_t seen, std::uint32_t spinUs);
// Wakes every thread waiting on the word.
void WakeWaiters(const std::uint32_t& word);

}  // namespace platform
