#include "platform/address_wait.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

namespace platform {
namespace {

void StoreAfterStart(std::uint32_t& word, std::atomic<bool>& started, std::uint32_t value) {
    while (!started.load()) std::this_thread::yield();
    std::atomic_ref<std::uint32_t>(word).store(value, std::memory_order_release);
    WakeWaiters(word);
}

TEST(AddressWaitTest, SleepingWaiterIsWokenByTheStore) {
    alignas(4) std::uint32_t word = 1;
    std::atomic<bool> started{false};
    std::thread writer(StoreAfterStart, std::ref(word), std::ref(started), 2u);
    started.store(true);
    while (std::atomic_ref<std::uint32_t>(word).load() == 1) WaitWhileEqual(word, 1, 1000000);
    writer.join();
    EXPECT_EQ(std::atomic_ref<std::uint32_t>(word).load(), 2u);
}

}  // namespace
}  // namespace platform
