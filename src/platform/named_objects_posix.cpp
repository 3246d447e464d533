// Named objects, threads and events on Linux.
#include "platform/named_objects.hpp"

#include "platform/utf.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#if defined(__SANITIZE_THREAD__)
#define VORNE_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VORNE_THREAD_SANITIZER 1
#endif
#endif

#if defined(VORNE_THREAD_SANITIZER)
#include <sanitizer/tsan_interface.h>
#endif

namespace platform {

// Copies of the driver in one process share nothing but the kernel, so
// a named object is a POSIX shared-memory object that carries its own
// bookkeeping in a header: who created it, how many handles refer to it, and
// where this process has it mapped. The process maps each object once; every
// handle uses that one address, which keeps the process-shared mutex inside
// at a single address (as its robust list and ThreadSanitizer require).
//
// The header is only read and written with pread/pwrite while holding flock
// on the object. flock belongs to the open file description, so it excludes
// handles of the same process too, and a crashed process leaves no lock.

namespace {

constexpr std::uint32_t kMutexMagic = 0x584D4E56;    // "VNMX"
constexpr std::uint32_t kMappingMagic = 0x504D4E56;  // "VNMP"
constexpr std::uint32_t kLayoutVersion = 1;
constexpr std::uint32_t kLive = 1;
constexpr std::uint32_t kRemoved = 2;

// Who a process is: process IDs are reused, but not together with the start
// time (clock ticks since boot) within one boot.
struct ProcessIdentity {
    char bootId[40];
    std::uint64_t startTicks;
    std::uint32_t pid;
    std::uint32_t reserved;
};

bool operator==(const ProcessIdentity& a, const ProcessIdentity& b) {
    return std::memcmp(a.bootId, b.bootId, sizeof a.bootId) == 0 && a.startTicks == b.startTicks && a.pid == b.pid;
}

struct ObjectHeader {
    std::uint32_t magic;
    std::uint32_t layout;
    std::uint32_t state;
    std::uint32_t handles;     // open in the creating process; the name goes with the last
    ProcessIdentity creator;
    std::uint64_t base;        // the creating process's one mapping of the object
    std::uint64_t totalBytes;  // length of that mapping
    std::uint64_t userBytes;   // size asked for by the creator (mappings)
    std::uint32_t views;       // mapped views; they keep the memory, not the name
    std::uint32_t reserved;
};

// A recursive robust mutex, and who holds it how many times: the recursion
// depth of a pthread mutex cannot be read, and the last close must undo it.
struct SharedMutex {
    pthread_mutex_t mutex;
    std::atomic<pid_t> owner;  // thread ID; read by any thread, written by the owner
    std::uint32_t depth;       // only touched by the owner
};
static_assert(std::atomic<pid_t>::is_always_lock_free, "the owner is shared through memory");

// The mutex sits after the header; user data of a mapping starts one page in,
// since a view must start on a page boundary.
constexpr std::size_t kMutexOffset = 256;
static_assert(sizeof(ObjectHeader) <= kMutexOffset, "header overlaps the mutex");
constexpr std::size_t kMutexObjectBytes = kMutexOffset + sizeof(SharedMutex);

std::size_t PageSize() {
    static const std::size_t size = [] {
        const long v = ::sysconf(_SC_PAGESIZE);
        return v > 0 ? static_cast<std::size_t>(v) : std::size_t{4096};
    }();
    return size;
}

std::size_t RoundUpToPage(std::size_t bytes) {
    const std::size_t page = PageSize();
    return (bytes + page - 1) / page * page;
}

// Reads a small /proc file; empty when unavailable.
std::string ReadSmallFile(const char* path) {
    std::string text;
    std::FILE* f = std::fopen(path, "re");
    if (f == nullptr) return text;
    char buffer[1024];
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    text.assign(buffer, n);
    return text;
}

ProcessIdentity ReadSelfIdentity() {
    ProcessIdentity id{};
    id.pid = static_cast<std::uint32_t>(::getpid());
    const std::string boot = ReadSmallFile("/proc/sys/kernel/random/boot_id");
    std::memcpy(id.bootId, boot.data(), std::min(boot.size(), sizeof id.bootId));
    // Field 22 of stat; the command name (field 2) may hold spaces and ')',
    // so count from its last ')'.
    const std::string stat = ReadSmallFile("/proc/self/stat");
    std::size_t pos = stat.rfind(')');
    if (pos != std::string::npos) {
        int field = 2;
        ++pos;
        while (pos < stat.size() && field < 22) {
            while (pos < stat.size() && stat[pos] == ' ') ++pos;
            ++field;
            if (field == 22) {
                id.startTicks = std::strtoull(stat.c_str() + pos, nullptr, 10);
                break;
            }
            while (pos < stat.size() && stat[pos] != ' ') ++pos;
        }
    }
    return id;
}

const ProcessIdentity& SelfIdentity() {
    // Recomputed after fork: the child is another process.
    static thread_local ProcessIdentity cached{};
    const auto pid = static_cast<std::uint32_t>(::getpid());
    if (cached.pid != pid) cached = ReadSelfIdentity();
    return cached;
}

void SyncAcquire([[maybe_unused]] void* address) {
#ifdef VORNE_THREAD_SANITIZER
    __tsan_acquire(address);
#endif
}

void SyncRelease([[maybe_unused]] void* address) {
#ifdef VORNE_THREAD_SANITIZER
    __tsan_release(address);
#endif
}

int LockFile(int fd) {
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) return -1;
    }
    return 0;
}

void UnlockFile(int fd) {
    const int saved = errno;
    ::flock(fd, LOCK_UN);
    errno = saved;
}

void CloseFile(int fd) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

bool ReadHeader(int fd, ObjectHeader& header) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    if (static_cast<std::size_t>(st.st_size) < sizeof header) return false;
    return ::pread(fd, &header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) &&
           header.totalBytes <= static_cast<std::uint64_t>(st.st_size);
}

bool WriteHeader(int fd, const ObjectHeader& header) {
    return ::pwrite(fd, &header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
}

// One handle's grip on an object: its own file descriptor (for flock) and
// the process's mapping.
struct ObjectRef {
    int fd = -1;
    std::byte* base = nullptr;
    std::size_t totalBytes = 0;
    std::size_t userBytes = 0;
    std::string systemName;
};

enum class OpenOutcome { kFailed, kCreated, kOpened };

// Opens the object, or creates it when it does not exist, was left behind by
// another (crashed) process, or is not ours to understand. `initialise` runs
// on a fresh, zeroed object while the file lock is held.
template <typename Initialise>
OpenOutcome OpenObject(const std::string& systemName, std::uint32_t magic, std::size_t totalBytes,
                       std::size_t userBytes, Initialise initialise, ObjectRef& ref) {
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int fd = ::shm_open(systemName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return OpenOutcome::kFailed;
        if (LockFile(fd) != 0) {
            CloseFile(fd);
            return OpenOutcome::kFailed;
        }
        ObjectHeader header{};
        const bool ours = ReadHeader(fd, header) && header.magic == magic && header.layout == kLayoutVersion &&
                          header.creator == SelfIdentity();
        if (ours && header.state == kRemoved && attempt + 1 < kAttempts) {
            // Another handle of this process removed it while we waited for
            // the lock; its name now leads to a new object.
            UnlockFile(fd);
            CloseFile(fd);
            continue;
        }
        if (ours && header.state == kLive && header.handles > 0 && header.base != 0) {
            ++header.handles;
            if (!WriteHeader(fd, header)) {
                UnlockFile(fd);
                CloseFile(fd);
                return OpenOutcome::kFailed;
            }
            ref.fd = fd;
            ref.base = reinterpret_cast<std::byte*>(static_cast<std::uintptr_t>(header.base));
            ref.totalBytes = static_cast<std::size_t>(header.totalBytes);
            ref.userBytes = static_cast<std::size_t>(header.userBytes);
            ref.systemName = systemName;
            SyncAcquire(ref.base);
            UnlockFile(fd);
            return OpenOutcome::kOpened;
        }
        // New, or stale: whatever the old contents, nobody in this process
        // uses them, so start over from zeroes.
        void* base = MAP_FAILED;
        if (::ftruncate(fd, 0) == 0 && ::ftruncate(fd, static_cast<off_t>(totalBytes)) == 0) {
            base = ::mmap(nullptr, totalBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        }
        if (base == MAP_FAILED) {
            UnlockFile(fd);
            CloseFile(fd);
            return OpenOutcome::kFailed;
        }
        auto* bytes = static_cast<std::byte*>(base);
        if (!initialise(bytes)) {
            ::munmap(base, totalBytes);
            ::shm_unlink(systemName.c_str());
            UnlockFile(fd);
            CloseFile(fd);
            return OpenOutcome::kFailed;
        }
        header = ObjectHeader{};
        header.magic = magic;
        header.layout = kLayoutVersion;
        header.state = kLive;
        header.handles = 1;
        header.creator = SelfIdentity();
        header.base = reinterpret_cast<std::uintptr_t>(base);
        header.totalBytes = totalBytes;
        header.userBytes = userBytes;
        if (!WriteHeader(fd, header)) {
            ::munmap(base, totalBytes);
            ::shm_unlink(systemName.c_str());
            UnlockFile(fd);
            CloseFile(fd);
            return OpenOutcome::kFailed;
        }
        ref.fd = fd;
        ref.base = bytes;
        ref.totalBytes = totalBytes;
        ref.userBytes = userBytes;
        ref.systemName = systemName;
        SyncRelease(ref.base);
        UnlockFile(fd);
        return OpenOutcome::kCreated;
    }
    errno = EAGAIN;
    return OpenOutcome::kFailed;
}

// Changes the counts of handles and views. The last handle frees the name,
// as on Win32; the last handle or view unmaps the memory. `canUnmap` runs
// first, under the file lock, and may refuse: the memory then stays mapped
// for good.
template <typename CanUnmap>
bool AdjustObject(ObjectRef& ref, int handleChange, int viewChange, CanUnmap canUnmap) {
    bool ok = LockFile(ref.fd) == 0;
    SyncAcquire(ref.base);
    ObjectHeader header{};
    bool unmapped = false;
    if (ok && ReadHeader(ref.fd, header) && static_cast<std::int64_t>(header.handles) + handleChange >= 0 &&
        static_cast<std::int64_t>(header.views) + viewChange >= 0) {
        header.handles = static_cast<std::uint32_t>(static_cast<std::int64_t>(header.handles) + handleChange);
        header.views = static_cast<std::uint32_t>(static_cast<std::int64_t>(header.views) + viewChange);
        if (header.handles == 0 && header.state == kLive) {
            header.state = kRemoved;
            ok = ::shm_unlink(ref.systemName.c_str()) == 0;
        }
        ok = WriteHeader(ref.fd, header) && ok;
        if (header.handles == 0 && header.views == 0) {
            if (canUnmap(ref.base)) ok = ::munmap(ref.base, ref.totalBytes) == 0 && ok;
            unmapped = true;
        }
    } else {
        ok = false;
    }
    if (!unmapped) SyncRelease(ref.base);
    UnlockFile(ref.fd);
    return ok;
}

// Lets go of an object that this handle no longer uses in any way.
bool Forget(ObjectRef& ref) {
    const bool ok = ref.fd < 0 || ::close(ref.fd) == 0;
    ref = ObjectRef{};
    return ok;
}

std::string EscapedName(const char* prefix, const std::string& name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out = prefix;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u > 0x20 && u < 0x7F && c != '/' && c != '%') {
            out += c;
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 0x0F];
        }
    }
    // NAME_MAX limits a name; keep the front and tell long names apart by a hash.
    constexpr std::size_t kMaxLength = 240;
    if (out.size() > kMaxLength) {
        std::uint64_t hash = 14695981039346656037ull;
        for (const char c : out) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        out.resize(kMaxLength - 17);
        out += '#';
        for (int shift = 60; shift >= 0; shift -= 4) out += hex[(hash >> shift) & 0x0F];
    }
    return out;
}

SharedMutex* MutexAt(std::byte* base) { return reinterpret_cast<SharedMutex*>(base + kMutexOffset); }

int LockMutex(SharedMutex* shared, std::uint32_t timeoutMs) {
    pthread_mutex_t* mutex = &shared->mutex;
    int rc;
    if (timeoutMs == 0) {
        rc = ::pthread_mutex_trylock(mutex);
    } else if (timeoutMs == kWaitForever) {
        rc = ::pthread_mutex_lock(mutex);
    } else {
#if defined(VORNE_THREAD_SANITIZER)
        // The sanitizer's timed lock misses the ownership of an abandoned
        // mutex; its try-lock does not.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while ((rc = ::pthread_mutex_trylock(mutex)) == EBUSY && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (rc == EBUSY) rc = ETIMEDOUT;
#else
        timespec deadline{};
        ::clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += static_cast<time_t>(timeoutMs / 1000);
        deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_nsec -= 1000000000L;
            ++deadline.tv_sec;
        }
        rc = ::pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, &deadline);
#endif
    }
    if (rc == EOWNERDEAD) {
        // The owner ended without releasing it: ours now, as on Win32.
        ::pthread_mutex_consistent(mutex);
        shared->depth = 0;
        rc = 0;
    }
    if (rc == 0) {
        ++shared->depth;
        shared->owner.store(::gettid(), std::memory_order_relaxed);
    }
    return rc;
}

int UnlockMutex(SharedMutex* shared) {
    if (shared->owner.load(std::memory_order_relaxed) != ::gettid()) return EPERM;
    if (--shared->depth == 0) shared->owner.store(0, std::memory_order_relaxed);
    return ::pthread_mutex_unlock(&shared->mutex);
}

struct MutexHandle {
    ObjectRef ref;
};

struct MappingState {
    ObjectRef ref;
    bool handleOpen = false;
    bool viewMapped = false;
};

// Drops the handle or the view; the state goes when neither is left.
bool DropMappingPart(void*& stateSlot, bool handle) {
    auto* state = static_cast<MappingState*>(stateSlot);
    (handle ? state->handleOpen : state->viewMapped) = false;
    bool ok = AdjustObject(state->ref, handle ? -1 : 0, handle ? 0 : -1, [](std::byte*) { return true; });
    if (!state->handleOpen && !state->viewMapped) {
        ok = Forget(state->ref) && ok;
        delete state;
        stateSlot = nullptr;
    }
    return ok;
}

struct EventState {
    std::mutex mutex;
    std::condition_variable wake;
    bool signalled = false;
};

struct ThreadState {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::thread thread;
};

using ThreadHolder = std::shared_ptr<ThreadState>;

// Joins the thread once its body has returned, waiting up to `graceMs` for
// that; detaches one still running then, since it cannot be killed safely:
// it is left to run out.
void LetGo(ThreadState& state, std::uint32_t graceMs) {
    if (!state.thread.joinable()) return;  // already let go
    bool done;
    {
        std::unique_lock<std::mutex> lock(state.mutex);
        done = state.ended.wait_for(lock, std::chrono::milliseconds(graceMs), [&state] { return state.done; });
    }
    if (done) {
        state.thread.join();
    } else {
        state.thread.detach();
    }
}

// A body that has just signalled its end is given this long to return, so
// that no code of this module still runs once the handle is closed (the
// module may be unloaded next).
constexpr std::uint32_t kCloseGraceMs = 1000;

}  // namespace

std::uint32_t CurrentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

std::int32_t LastSystemError() { return errno; }

std::string SystemObjectName(NamedKind kind, const std::string& name) {
    return EscapedName(kind == NamedKind::kMutex ? "/vorne-mutex." : "/vorne-mapping.", name);
}

// --- NamedMutex ------------------------------------------------------------

NamedMutex::~NamedMutex() { Close(); }

NamedMutex::CreateResult NamedMutex::Create(const std::string& name) {
    Close();
    auto* handle = new (std::nothrow) MutexHandle;
    if (handle == nullptr) {
        errno = ENOMEM;
        return CreateResult::kFailed;
    }
    // A new mutex is locked by its creator before anyone else can open it.
    const auto initialise = [](std::byte* base) {
        pthread_mutexattr_t attributes;
        if (::pthread_mutexattr_init(&attributes) != 0) return false;
        ::pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
        ::pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
        ::pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
        SharedMutex* shared = new (MutexAt(base)) SharedMutex{};
        int rc = ::pthread_mutex_init(&shared->mutex, &attributes);
        ::pthread_mutexattr_destroy(&attributes);
        if (rc == 0) rc = LockMutex(shared, kWaitForever);
        if (rc != 0) errno = rc;
        return rc == 0;
    };
    const OpenOutcome outcome =
        OpenObject(SystemObjectName(NamedKind::kMutex, name), kMutexMagic, kMutexObjectBytes, 0, initialise, handle->ref);
    if (outcome == OpenOutcome::kFailed) {
        delete handle;
        return CreateResult::kFailed;
    }
    handle_ = handle;
    return outcome == OpenOutcome::kCreated ? CreateResult::kCreatedAndOwned : CreateResult::kAlreadyExisted;
}

bool NamedMutex::Wait(std::uint32_t timeoutMs) {
    auto* handle = static_cast<MutexHandle*>(handle_);
    if (handle == nullptr) {
        errno = EBADF;
        return false;
    }
    const int rc = LockMutex(MutexAt(handle->ref.base), timeoutMs);
    if (rc != 0) {
        errno = rc;
        return false;
    }
    return true;
}

void NamedMutex::Release() {
    auto* handle = static_cast<MutexHandle*>(handle_);
    if (handle == nullptr) return;
    const int rc = UnlockMutex(MutexAt(handle->ref.base));
    if (rc != 0) errno = rc;
}

bool NamedMutex::Close() {
    auto* handle = static_cast<MutexHandle*>(handle_);
    if (handle == nullptr) return true;
    handle_ = nullptr;
    // The last handle unmaps the mutex. A locked robust mutex is linked into
    // its owner's robust list, so unmapping it would leave that list pointing
    // into nothing: unlock it when the caller owns it, keep it mapped when
    // another thread does.
    bool ok = AdjustObject(handle->ref, -1, 0, [](std::byte* base) {
        SharedMutex* shared = MutexAt(base);
        if (LockMutex(shared, 0) != 0) return false;
        while (shared->depth > 0) UnlockMutex(shared);
        ::pthread_mutex_destroy(&shared->mutex);
        return true;
    });
    ok = Forget(handle->ref) && ok;
    delete handle;
    return ok;
}

// --- SharedMapping ---------------------------------------------------------

SharedMapping::~SharedMapping() {
    UnmapView();
    Close();
}

bool SharedMapping::CreateOrOpen(const std::string& name, std::size_t size) {
    UnmapView();
    Close();
    if (size == 0) {
        errno = EINVAL;
        return false;
    }
    auto* state = new (std::nothrow) MappingState;
    if (state == nullptr) {
        errno = ENOMEM;
        return false;
    }
    // Header in the first page, the caller's bytes from the second on.
    const std::size_t total = PageSize() + RoundUpToPage(size);
    const OpenOutcome outcome = OpenObject(SystemObjectName(NamedKind::kMapping, name), kMappingMagic, total, size,
                                           [](std::byte*) { return true; }, state->ref);
    if (outcome == OpenOutcome::kFailed) {
        delete state;
        return false;
    }
    state->handleOpen = true;
    state_ = state;
    handle_ = state;
    return true;
}

void* SharedMapping::MapView(std::size_t bytes) {
    auto* state = static_cast<MappingState*>(handle_);
    if (state == nullptr) {
        errno = EBADF;
        return nullptr;
    }
    if (bytes == 0) bytes = state->ref.userBytes;
    if (bytes > state->ref.userBytes) {
        errno = EINVAL;
        return nullptr;
    }
    if (!state->viewMapped) {
        if (!AdjustObject(state->ref, 0, 1, [](std::byte*) { return true; })) return nullptr;
        state->viewMapped = true;
    }
    view_ = state->ref.base + PageSize();
    viewBytes_ = bytes;
    return view_;
}

bool SharedMapping::UnmapView() {
    auto* state = static_cast<MappingState*>(state_);
    if (state == nullptr || !state->viewMapped) return true;
    view_ = nullptr;
    viewBytes_ = 0;
    return DropMappingPart(state_, false);
}

bool SharedMapping::Close() {
    auto* state = static_cast<MappingState*>(handle_);
    if (state == nullptr) return true;
    handle_ = nullptr;
    return DropMappingPart(state_, true);
}

// --- Event -----------------------------------------------------------------

Event::~Event() { Close(); }

bool Event::Create() {
    Close();
    handle_ = new (std::nothrow) EventState;
    if (handle_ == nullptr) errno = ENOMEM;
    return handle_ != nullptr;
}

void Event::Signal() {
    auto* state = static_cast<EventState*>(handle_);
    if (state == nullptr) return;
    // Notify under the lock: a waiter that wakes may close the event at once.
    std::lock_guard<std::mutex> lock(state->mutex);
    state->signalled = true;
    state->wake.notify_one();
}

bool Event::Wait(std::uint32_t timeoutMs) {
    auto* state = static_cast<EventState*>(handle_);
    if (state == nullptr) {
        errno = EBADF;
        return false;
    }
    std::unique_lock<std::mutex> lock(state->mutex);
    const auto isSignalled = [state] { return state->signalled; };
    if (timeoutMs == kWaitForever) {
        state->wake.wait(lock, isSignalled);
    } else {
        state->wake.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSignalled);
    }
    if (!state->signalled) {
        errno = ETIMEDOUT;
        return false;
    }
    state->signalled = false;
    return true;
}

bool Event::Close() {
    delete static_cast<EventState*>(handle_);
    handle_ = nullptr;
    return true;
}

// --- Thread ----------------------------------------------------------------

Thread::~Thread() { Close(); }

bool Thread::Start(void (*body)(void*), void* argument) {
    if (handle_ != nullptr || body == nullptr) {
        errno = handle_ != nullptr ? EBUSY : EINVAL;
        return false;
    }
    auto* holder = new (std::nothrow) ThreadHolder(std::make_shared<ThreadState>());
    if (holder == nullptr) {
        errno = ENOMEM;
        return false;
    }
    ThreadState& state = **holder;
    // The thread keeps the state alive itself, so an abandoned thread can
    // still report its end after the handle is gone.
    try {
        state.thread = std::thread([shared = *holder, body, argument] {
            body(argument);
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->done = true;
            shared->ended.notify_all();
        });
    } catch (const std::system_error& e) {
        delete holder;
        errno = e.code().value();
        return false;
    }
    handle_ = holder;
    return true;
}

bool Thread::Join(std::uint32_t timeoutMs) {
    auto* holder = static_cast<ThreadHolder*>(handle_);
    if (holder == nullptr) return true;
    ThreadState& state = **holder;
    {
        std::unique_lock<std::mutex> lock(state.mutex);
        const auto isDone = [&state] { return state.done; };
        if (timeoutMs == kWaitForever) {
            state.ended.wait(lock, isDone);
        } else if (!state.ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), isDone)) {
            errno = ETIMEDOUT;
            return false;
        }
    }
    // The body has returned; what is left of the thread ends at once.
    if (state.thread.joinable()) state.thread.join();
    return true;
}

void Thread::Terminate() {
    auto* holder = static_cast<ThreadHolder*>(handle_);
    if (holder != nullptr && (*holder)->thread.joinable()) (*holder)->thread.detach();
}

bool Thread::Close() {
    auto* holder = static_cast<ThreadHolder*>(handle_);
    if (holder == nullptr) return true;
    handle_ = nullptr;
    LetGo(**holder, kCloseGraceMs);
    delete holder;
    return true;
}

}  // namespace platform
