#include "links/mstp_lock.hpp"

#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

namespace LinkServices {
namespace {

class RecursiveLock {
public:
    void Lock() { (void)Acquire(false); }

    bool LockUnlessAbandoned() { return Acquire(true); }

    void Unlock() {
        std::lock_guard guard(mutex_);
        if (--depth_ == 0) {
            owner_ = std::thread::id();
            released_.notify_all();
        }
    }

    void Abandon(bool abandon) {
        std::lock_guard guard(mutex_);
        abandoned_ = abandon;
        if (abandon) released_.notify_all();
    }

private:
    // A waiting host thread goes first: the receiver takes the lock once per
    // byte and would otherwise keep it from the host while a long frame comes in.
    bool Acquire(bool receiver) {
        const std::thread::id self = std::this_thread::get_id();
        std::unique_lock guard(mutex_);
        if (owner_ == self) {
            ++depth_;
            return true;
        }
        if (receiver) {
            released_.wait(guard, [&] { return (depth_ == 0 && hostsWaiting_ == 0) || abandoned_; });
            if (abandoned_) return false;
        } else {
            ++hostsWaiting_;
            released_.wait(guard, [&] { return depth_ == 0; });
            --hostsWaiting_;
        }
        owner_ = self;
        depth_ = 1;
        return true;
    }

    std::mutex mutex_;
    std::condition_variable released_;
    std::thread::id owner_;
    int depth_ = 0;
    int hostsWaiting_ = 0;
    bool abandoned_ = false;
};

// Built in static storage and never destroyed: a receive thread may still
// reach it while the library's statics are torn down.
RecursiveLock& TheLock() {
    alignas(RecursiveLock) static unsigned char storage[sizeof(RecursiveLock)];
    static RecursiveLock* const lock = new (storage) RecursiveLock;
    return *lock;
}

}  // namespace

DriverStateLock::DriverStateLock() { TheLock().Lock(); }
DriverStateLock::~DriverStateLock() { TheLock().Unlock(); }

bool LockDriverStateForReceive() { return TheLock().LockUnlessAbandoned(); }
void UnlockDriverStateForReceive() { TheLock().Unlock(); }
void AbandonReceive(bool abandon) { TheLock().Abandon(abandon); }

}  // namespace LinkServices
