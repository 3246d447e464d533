// Process-scoped named kernel objects, threads and events: what lets several
// copies of the driver in one process find each other and share one socket.
//
// The names carry the process ID, so objects of different processes never
// meet. Objects left behind by a crashed process whose ID is later reused are
// recognised as stale and taken over, never waited on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A time-out that never runs out (the value of INFINITE on Win32).
constexpr std::uint32_t kWaitForever = 0xFFFFFFFFu;

// Closing or unmapping what is not open does nothing and reports success.
// Opening an object that is already open closes it first.

std::uint32_t CurrentProcessId();

// The last error code of the operating system (GetLastError or errno).
std::int32_t LastSystemError();

enum class NamedKind { kMutex, kMapping };

// The name under which the system keeps a named object: on Linux the POSIX
// shared-memory name (mutexes and mappings apart, characters that a name
// cannot hold escaped); on Win32 the name itself.
std::string SystemObjectName(NamedKind kind, const std::string& name);

class NamedMutex {
public:
    enum class CreateResult { kFailed, kCreatedAndOwned, kAlreadyExisted };

    NamedMutex() = default;
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Creates the mutex owned by the caller, or opens the existing one without
    // owning it (kAlreadyExisted). Ownership is per thread and recursive; a
    // thread that ends while owning it leaves it abandoned, and the next Wait
    // succeeds.
    CreateResult Create(const std::string& name);
    // Takes ownership; false when the time-out passed first.
    bool Wait(std::uint32_t timeoutMs);
    void Release();
    // False when closing failed; the object is closed either way.
    bool Close();
    bool IsOpen() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
};

class SharedMapping {
public:
    SharedMapping() = default;
    ~SharedMapping();
    SharedMapping(const SharedMapping&) = delete;
    SharedMapping& operator=(const SharedMapping&) = delete;

    // Creates the mapping of the given size, or opens the existing one.
    bool CreateOrOpen(const std::string& name, std::size_t size);
    // Maps a view of the first `bytes` bytes (0: all), read/write; null on
    // failure. A view stays usable after Close until it is unmapped, but the
    // name goes with the last handle. On Linux every view of one object in the
    // process has the same address.
    void* MapView(std::size_t bytes);
    bool UnmapView();
    bool Close();
    bool IsOpen() const { return handle_ != nullptr; }
    void* View() const { return view_; }

private:
    void* handle_ = nullptr;
    void* view_ = nullptr;
    std::size_t viewBytes_ = 0;
    void* state_ = nullptr;  // Linux: what the handle and the view share
};

// An auto-reset event.
class Event {
public:
    Event() = default;
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    bool Create();
    void Signal();
    // True when signalled within the time-out (which resets it).
    bool Wait(std::uint32_t timeoutMs);
    bool Close();

private:
    void* handle_ = nullptr;
};

class Thread {
public:
    Thread() = default;
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool Start(void (*body)(void*), void* argument);
    // Waits for the thread to end; false after the time-out.
    bool Join(std::uint32_t timeoutMs);
    // Gives up on a thread that does not stop (it is abandoned, or killed where
    // the system allows it). On Linux the thread is detached and runs on
    // until its body returns: its code must stay loaded until then.
    void Terminate();
    // Releases the handle. On Linux a thread still running is given a second
    // to return and is then abandoned as by Terminate.
    bool Close();
    bool IsRunning() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
};

}  // namespace platform
