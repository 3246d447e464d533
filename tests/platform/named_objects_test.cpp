#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/named_objects.hpp"

#if __has_include(<sys/mman.h>) && __has_include(<sys/wait.h>)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#define VORNE_TEST_LEFTOVER_OBJECTS 1
#endif

namespace {

using platform::NamedMutex;
using Clock = std::chrono::steady_clock;

// Names carry the process ID as the driver's do, so parallel test processes never meet.
std::string UniqueName(const char* what) {
    return std::to_string(platform::CurrentProcessId()) + "::VorneTest." + what;
}

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool AllZero(const void* data, std::size_t bytes) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < bytes; ++i) {
        if (p[i] != 0) return false;
    }
    return true;
}

TEST(NamedMutex, SecondCreatorJoinsAndWaitsForTheOwnersRelease) {
    const std::string name = UniqueName("Handover");
    NamedMutex first;
    NamedMutex second;
    ASSERT_EQ(first.Create(name), NamedMutex::CreateResult::kCreatedAndOwned);
    ASSERT_EQ(second.Create(name), NamedMutex::CreateResult::kAlreadyExisted);

    // Ownership belongs to the creating thread, so the second handle waits elsewhere.
    std::atomic<bool> timedOut{false};
    std::atomic<bool> acquired{false};
    std::atomic<long long> timedOutAfter{0};
    std::thread waiter([&] {
        const auto start = Clock::now();
        timedOut = !second.Wait(100);
        timedOutAfter = MillisecondsSince(start);
        if (second.Wait(5000)) {
            acquired = true;
            second.Release();
        }
    });
    while (timedOutAfter == 0 && !acquired) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(timedOut);
    EXPECT_GE(timedOutAfter, 90);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(acquired) << "the waiter got in while the creator still owned the mutex";
    first.Release();
    waiter.join();
    EXPECT_TRUE(acquired);
    EXPECT_TRUE(first.Close());
    EXPECT_TRUE(second.Close());
}

TEST(NamedMutex, NameIsFreeAgainOnlyAfterTheLastHandleCloses) {
    const std::string name = UniqueName("Lifetime");
    {
        NamedMutex a;
        NamedMutex b;
        ASSERT_EQ(a.Create(name), NamedMutex::CreateResult::kCreatedAndOwned);
        a.Release();
        ASSERT_EQ(b.Create(name), NamedMutex::CreateResult::kAlreadyExisted);
        EXPECT_TRUE(a.Close());
        EXPECT_TRUE(a.Close()) << "closing twice must be harmless";
        NamedMutex c;
        EXPECT_EQ(c.Create(name), NamedMutex::CreateResult::kAlreadyExisted) << "b still holds the mutex open";
        EXPECT_TRUE(b.Close());
        EXPECT_TRUE(c.Close());
    }
    // Also after an owner closes without releasing.
    for (int round = 0; round < 2; ++round) {
        NamedMutex again;
        ASSERT_EQ(again.Create(name), NamedMutex::CreateResult::kCreatedAndOwned) << "round " << round;
    }
    NamedMutex never;
    EXPECT_TRUE(never.Close());
    EXPECT_FALSE(never.Wait(0));
}

TEST(NamedMutex, RacingCreatesAndClosesNeverLetTwoOwnersIn) {
    // Creating, owning and closing at once on several threads crosses the
    // moment when the last handle removes the object and a new one appears.
    const std::string name = UniqueName("Race");
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                NamedMutex m;
                const auto result = m.Create(name);
                if (result == NamedMutex::CreateResult::kFailed ||
                    (result == NamedMutex::CreateResult::kAlreadyExisted && !m.Wait(5000))) {
                    ++failures;
                    continue;
                }
                if (inside.fetch_add(1) != 0) ++overlaps;
                std::this_thread::sleep_for(std::chrono::microseconds(100));
                inside.fetch_sub(1);
                m.Release();
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(overlaps, 0);
}

TEST(NamedMutex, OwnerThreadEndingWithoutReleaseHandsItOn) {
    const std::string name = UniqueName("Abandoned");
    NamedMutex owner;
    std::thread([&] { ASSERT_EQ(owner.Create(name), NamedMutex::CreateResult::kCreatedAndOwned); }).join();
    NamedMutex next;
    ASSERT_EQ(next.Create(name), NamedMutex::CreateResult::kAlreadyExisted);
    EXPECT_TRUE(next.Wait(200));
    next.Release();
}

#ifdef VORNE_TEST_LEFTOVER_OBJECTS
// A process that crashed leaves its shared-memory objects behind; a later
// process that gets the same ID must take them over, not wait on them.
TEST(NamedMutex, ObjectsLeftByACrashedProcessAreTakenOver) {
    const std::string mutexName = UniqueName("LeftByCrash");
    const std::string mappingName = UniqueName("LeftByCrashMap");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        NamedMutex m;
        platform::SharedMapping map;
        const bool ok = m.Create(mutexName) == NamedMutex::CreateResult::kCreatedAndOwned &&
                        map.CreateOrOpen(mappingName, 1076) && map.MapView(52) != nullptr;
        if (ok) std::memset(map.View(), 0x77, 52);
        ::_exit(ok ? 0 : 1);  // no clean-up, as in a crash
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const auto start = Clock::now();
    NamedMutex m;
    EXPECT_EQ(m.Create(mutexName), NamedMutex::CreateResult::kCreatedAndOwned);
    platform::SharedMapping map;
    ASSERT_TRUE(map.CreateOrOpen(mappingName, 1076));
    ASSERT_NE(map.MapView(52), nullptr);
    EXPECT_TRUE(AllZero(map.View(), 52)) << "a taken-over mapping starts from zeroes";
    EXPECT_LT(MillisecondsSince(start), 1000);
}

TEST(NamedMutex, GarbageUnderTheNameIsTakenOver) {
    const std::string name = UniqueName("Garbage");
    const std::string systemName = platform::SystemObjectName(platform::NamedKind::kMutex, name);
    for (const std::size_t size : {std::size_t{0}, std::size_t{3}, std::size_t{8192}}) {
        const int fd = ::shm_open(systemName.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        std::vector<unsigned char> junk(size, 0xA5);
        ASSERT_EQ(::write(fd, junk.data(), junk.size()), static_cast<ssize_t>(size));
        ::close(fd);

        NamedMutex m;
        EXPECT_EQ(m.Create(name), NamedMutex::CreateResult::kCreatedAndOwned) << size << " bytes of junk";
        NamedMutex other;
        EXPECT_EQ(other.Create(name), NamedMutex::CreateResult::kAlreadyExisted);
    }
    // The last close removed the object.
    EXPECT_LT(::shm_open(systemName.c_str(), O_RDWR, 0600), 0);
}
#endif

TEST(SharedMapping, HandlesOfOneNameShareTheirBytes) {
    const std::string name = UniqueName("Mapping");
    platform::SharedMapping a;
    platform::SharedMapping b;
    ASSERT_TRUE(a.CreateOrOpen(name, 1076));
    auto* viewA = static_cast<unsigned char*>(a.MapView(52));
    ASSERT_NE(viewA, nullptr);
    EXPECT_TRUE(AllZero(viewA, 52));
    ASSERT_TRUE(b.CreateOrOpen(name, 1076));
    auto* viewB = static_cast<unsigned char*>(b.MapView(52));
    ASSERT_NE(viewB, nullptr);
    viewA[0] = 0x11;
    viewA[51] = 0x22;
    viewB[20] = 0x33;
    EXPECT_EQ(viewB[0], 0x11);
    EXPECT_EQ(viewB[51], 0x22);
    EXPECT_EQ(viewA[20], 0x33);
    EXPECT_EQ(a.View(), viewA);
}

TEST(SharedMapping, NameGoesWithTheLastHandleWhileViewsStayUsable) {
    const std::string name = UniqueName("MappingLife");
    platform::SharedMapping a;
    platform::SharedMapping b;
    ASSERT_TRUE(a.CreateOrOpen(name, 1076));
    ASSERT_TRUE(b.CreateOrOpen(name, 1076));
    auto* view = static_cast<unsigned char*>(a.MapView(52));
    ASSERT_NE(view, nullptr);
    view[7] = 0x5A;
    EXPECT_TRUE(a.Close());
    EXPECT_FALSE(a.IsOpen());
    EXPECT_TRUE(a.Close());

    platform::SharedMapping c;
    ASSERT_TRUE(c.CreateOrOpen(name, 1076));
    ASSERT_NE(c.MapView(52), nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(c.View())[7], 0x5A) << "b still held the name";
    EXPECT_TRUE(b.Close());
    EXPECT_TRUE(c.Close());

    // No handle is left: the views still work, but the name makes a new object.
    view[8] = 0x6B;
    EXPECT_EQ(static_cast<unsigned char*>(c.View())[8], 0x6B);
    platform::SharedMapping d;
    ASSERT_TRUE(d.CreateOrOpen(name, 1076));
    ASSERT_NE(d.MapView(52), nullptr);
    EXPECT_TRUE(AllZero(d.View(), 52));
    EXPECT_TRUE(a.UnmapView());
    EXPECT_TRUE(a.UnmapView());
    EXPECT_TRUE(c.UnmapView());
    EXPECT_EQ(a.View(), nullptr);
}

TEST(Event, WakesOneWaiterOnAnotherThreadAndResetsItself) {
    platform::Event event;
    ASSERT_TRUE(event.Create());
    std::atomic<bool> woken{false};
    std::thread waiter([&] { woken = event.Wait(5000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    event.Signal();
    waiter.join();
    EXPECT_TRUE(woken);
    EXPECT_FALSE(event.Wait(0)) << "the wake-up consumed the signal";

    // A signal waits for its waiter, and two signals wake once.
    event.Signal();
    event.Signal();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
    EXPECT_TRUE(event.Close());
}

TEST(Event, WaitTimesOutWhenNotSignalled) {
    platform::Event event;
    ASSERT_TRUE(event.Create());
    const auto start = Clock::now();
    EXPECT_FALSE(event.Wait(60));
    EXPECT_GE(MillisecondsSince(start), 55);
}

void WaitForFlag(void* argument) {
    auto* flag = static_cast<std::atomic<int>*>(argument);
    while (flag->load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    flag->store(2);
}

TEST(Thread, JoinWaitsUntilTheBodyReturns) {
    std::atomic<int> flag{0};
    platform::Thread thread;
    ASSERT_TRUE(thread.Start(&WaitForFlag, &flag));
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_FALSE(thread.Start(&WaitForFlag, &flag)) << "one thread per handle";
    EXPECT_FALSE(thread.Join(50));
    flag = 1;
    EXPECT_TRUE(thread.Join(5000));
    EXPECT_EQ(flag.load(), 2);
    EXPECT_TRUE(thread.Close());
    EXPECT_FALSE(thread.IsRunning());
}

// Says it runs, then waits for the flag without calling into any library:
// a thread killed inside a call (a sleep that sets up the thread library's
// state for this thread, say) may leave a lock of that library or of the
// heap held, and the next caller in the process then waits forever. This
// test is about Terminate and Close, not about that hazard of killing a thread.
void SayRunningThenSpinForFlag(void* argument) {
    auto* flag = static_cast<std::atomic<int>*>(argument);
    flag->store(-1);
    while (flag->load() == -1) {
    }
}

TEST(Thread, TerminateAndCloseNeverWaitForAStuckThread) {
    // Outlives the test: where the thread is only abandoned, it still reads it.
    static std::atomic<int> release{0};
    platform::Thread thread;
    ASSERT_TRUE(thread.Start(&SayRunningThenSpinForFlag, &release));
    // Stuck, not starting: a thread terminated while the system still sets
    // it up (its loader and runtime locks held) can take the process down.
    while (release.load() != -1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto start = Clock::now();
    thread.Terminate();
    EXPECT_TRUE(thread.Close());
    EXPECT_LT(MillisecondsSince(start), 1000);
    release = 1;  // lets an abandoned thread run out
}

}  // namespace
