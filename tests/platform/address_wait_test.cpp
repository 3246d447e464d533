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

TEST(AddressWaitTest, SpinSeesAStoreFromAnotherThreadAndGivesUpWithoutOne) {
    alignas(4) std::uint32_t word = 5;
    EXPECT_TRUE(SpinWhileEqual(word, 4, 1000)) << "the word already differs";
    EXPECT_FALSE(SpinWhileEqual(word, 5, 20)) << "nobody changes it";

    std::atomic<bool> started{false};
    std::thread writer(StoreAfterStart, std::ref(word), std::ref(started), 6u);
    started.store(true);
    // Generous: the writer only has to be scheduled once.
    bool seen = false;
    for (int i = 0; i < 2000 && !seen; ++i) seen = SpinWhileEqual(word, 5, 1000);
    writer.join();
    EXPECT_TRUE(seen);
    EXPECT_EQ(std::atomic_ref<std::uint32_t>(word).load(), 6u);
}

#ifndef _WIN32
TEST(AddressWaitTest, SleepingWaiterIsWokenByTheStore) {
    alignas(4) std::uint32_t word = 1;
    std::atomic<bool> started{false};
    std::thread writer(StoreAfterStart, std::ref(word), std::ref(started), 2u);
    started.store(true);
    while (std::atomic_ref<std::uint32_t>(word).load() == 1) WaitWhileEqual(word, 1, 1000000);
    writer.join();
    EXPECT_EQ(std::atomic_ref<std::uint32_t>(word).load(), 2u);
}
#endif

}  // namespace
}  // namespace platform
