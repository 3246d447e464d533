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

namespace {

// WaitOnAddress came with Windows 8; on older systems a waiter only yields.
using WaitOnAddressFunction = BOOL(WINAPI*)(volatile VOID*, PVOID, SIZE_T, DWORD);
using WakeByAddressAllFunction = VOID(WINAPI*)(PVOID);

struct AddressWaitFunctions {
    WaitOnAddressFunction wait = nullptr;
    WakeByAddressAllFunction wake = nullptr;
};

const AddressWaitFunctions& Functions() {
    static const AddressWaitFunctions functions = [] {
        AddressWaitFunctions found;
        HMODULE module = ::GetModuleHandleW(L"kernelbase.dll");
        if (module == nullptr) return found;
        found.wait = reinterpret_cast<WaitOnAddressFunction>(reinterpret_cast<void*>(::GetProcAddress(module, "WaitOnAddress")));
        found.wake = reinterpret_cast<WakeByAddressAllFunction>(reinterpret_cast<void*>(::GetProcAddress(module, "WakeByAddressAll")));
        if (found.wait == nullptr || found.wake == nullptr) found = {};
        return found;
    }();
    return functions;
}

}  // namespace

void WaitWhileEqual(const std::uint32_t& word, std::uint32_t seen, std::uint32_t timeoutUs) {
    const AddressWaitFunctions& functions = Functions();
    if (functions.wait == nullptr) {
        ::SwitchToThread();
        return;
    }
    const DWORD timeoutMs = static_cast<DWORD>((timeoutUs + 999) / 1000);
    functions.wait(const_cast<std::uint32_t*>(&word), &seen, sizeof seen, timeoutMs);
}

void WakeWaiters(const std::uint32_t& word) {
    const AddressWaitFunctions& functions = Functions();
    if (functions.wake != nullptr) functions.wake(const_cast<std::uint32_t*>(&word));
}

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
