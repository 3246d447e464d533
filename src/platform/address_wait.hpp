// Waiting for a 32-bit word in this process's memory to change, woken by the
// thread that changes it. Lets a host thread sleep until a datagram for it
// lands, or until it may take its turn at the socket.
#pragma once

#include <cstdint>

namespace platform {

// Returns when the word no longer holds `seen`, when woken, or after the
// time-out (rounded up to whole milliseconds on Windows); spurious returns are
// allowed. Where the system has no such wait (Windows before 8), it only
// yields the processor.
void WaitWhileEqual(const std::uint32_t& word, std::uint32_t seen, std::uint32_t timeoutUs);
// Wakes every thread waiting on the word.
void WakeWaiters(const std::uint32_t& word);

}  // namespace platform
