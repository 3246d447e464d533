// The sixteen exported entries. Each forwards to the host layer; no C++
// exception ever leaves the library: one that escapes is logged and the entry
// answers as it would for a failure.
#include "vorne/vorne.h"

#include <exception>

#include "host/address_entries.hpp"
#include "host/entry_lock.hpp"
#include "host/lifecycle.hpp"
#include "host/read_cycle.hpp"
#include "host/write_cycle.hpp"
#include "platform/trace.hpp"
#include "platform/utf.hpp"

namespace {

// On an escaping exception the entry answers `fallback`, and `status` (when
// given) the failure status.
template <typename Result, typename Body>
Result Guarded(const char* entry, Result fallback, Body body, int32_t* status = nullptr,
               int32_t failureStatus = 0) noexcept {
    try {
        const host::EntryLock lock;
        return body();
    } catch (const std::exception& e) {
        if (status != nullptr) *status = failureStatus;
        try {
            platform::TraceWarning(platform::Widen(entry) + u" failed: " + platform::Utf8ToUtf16(e.what()));
        } catch (...) {
        }
    } catch (...) {
        if (status != nullptr) *status = failureStatus;
        try {
            platform::TraceWarning(platform::Widen(entry) + u" failed");
        } catch (...) {
        }
    }
    return fallback;
}

template <typename Body>
void GuardedVoid(const char* entry, Body body) noexcept {
    Guarded(entry, 0, [&] {
        body();
        return 0;
    });
}

constexpr int32_t kStatusOtherReadError = 19;
constexpr int32_t kStatusOtherWriteError = 17;

}  // namespace

extern "C" {

VORNE_ENTRY int32_t VORNE_CALL UDrvOpenW(void* hostHandle, const void* settings, vorne_char* versionOut,
                                         int32_t* errorOut) {
    return Guarded("UDrvOpenW", 0, [&] { return host::OpenDriver(hostHandle, settings, versionOut, errorOut); });
}

#if defined(_WIN32) && defined(__i386__)
// UDrvClose itself is in close_forward_x86.cpp: it runs this, then jumps to
// Tagcore's close with whatever the host pushed.
extern "C" void VorneCloseBeforeForward() noexcept {
    GuardedVoid("UDrvClose", [] { host::CloseLink(); });
}
#else
VORNE_ENTRY int32_t VORNE_CALL UDrvClose(void* hostHandle) {
    return Guarded("UDrvClose", 0, [&] { return host::CloseDriver(hostHandle); });
}
#endif

VORNE_ENTRY void VORNE_CALL UDrvOnIdle(void) { GuardedVoid("UDrvOnIdle", [] { host::OnIdle(); }); }

VORNE_ENTRY void* VORNE_CALL UDrvSetDriverTaskInterface(void* taskInterface) {
    return Guarded("UDrvSetDriverTaskInterface", taskInterface,
                   [&] { return host::SetDriverTaskInterface(taskInterface); });
}

VORNE_ENTRY int32_t VORNE_CALL UDrvGetTypeW(const vorne_char* firstAddressArgument, const vorne_char* address) {
    return Guarded("UDrvGetTypeW", 1, [&] { return host::GetType(firstAddressArgument, address); });
}

VORNE_ENTRY int32_t VORNE_CALL UDrvValidHeaderW(const vorne_char* header) {
    return Guarded("UDrvValidHeaderW", -1, [&] { return host::ValidHeader(header); });
}

VORNE_ENTRY int32_t VORNE_CALL UDrvValidAddressW(const vorne_char* firstAddressArgument, const vorne_char* address) {
    return Guarded("UDrvValidAddressW", -1, [&] { return host::ValidAddress(firstAddressArgument, address); });
}

VORNE_ENTRY int32_t VORNE_CALL UDrvValidAddressExW(const vorne_char* address) {
    return Guarded("UDrvValidAddressExW", -1, [&] { return host::ValidAddressEx(address); });
}

VORNE_ENTRY int32_t VORNE_CALL UDrvGetHeaderAddressW(const vorne_char* headerA, const vorne_char* addressA,
                                                     const vorne_char* headerB, const vorne_char* addressB,
                                                     vorne_char* headerOut, vorne_char* addressOut) {
    return Guarded("UDrvGetHeaderAddressW", 0, [&] {
        return host::GetHeaderAddress(headerA, addressA, headerB, addressB, headerOut, addressOut);
    });
}

VORNE_ENTRY int32_t VORNE_CALL UDrvCompareAddressW(const vorne_char* headerA, const vorne_char* addressA,
                                                   const vorne_char* headerB, const vorne_char* addressB) {
    return Guarded("UDrvCompareAddressW", -1,
                   [&] { return host::CompareAddress(headerA, addressA, headerB, addressB); });
}

VORNE_ENTRY int32_t VORNE_CALL UDrvAddGroupW(void* group, const vorne_char* station) {
    return Guarded("UDrvAddGroupW", 1, [&] { return host::AddGroup(group, station); });
}

VORNE_ENTRY void VORNE_CALL UDrvRemoveGroup(void* group) {
    GuardedVoid("UDrvRemoveGroup", [&] { host::RemoveGroup(group); });
}

VORNE_ENTRY int32_t VORNE_CALL UDrvReadGroupStartW(const vorne_char* header, const vorne_char* firstAddressArgument,
                                                   const vorne_char* const* addresses, int32_t itemCount,
                                                   int32_t* status) {
    return Guarded(
        "UDrvReadGroupStartW", 0,
        [&] { return host::ReadGroupStart(header, firstAddressArgument, addresses, itemCount, status); }, status,
        kStatusOtherReadError);
}

VORNE_ENTRY int32_t VORNE_CALL UDrvReadGroupFinishExtW(HostValue* values, int32_t /*ignored*/, int32_t itemCount,
                                                       int32_t* status) {
    return Guarded(
        "UDrvReadGroupFinishExtW", 1, [&] { return host::ReadGroupFinish(values, itemCount, status); }, status,
        kStatusOtherReadError);
}

VORNE_ENTRY int32_t VORNE_CALL UDrvWriteItemStartW(const vorne_char* header, const vorne_char* firstAddressArgument,
                                                   const vorne_char* address, const HostValue* value,
                                                   int32_t* status) {
    return Guarded(
        "UDrvWriteItemStartW", 0,
        [&] { return host::WriteItemStart(header, firstAddressArgument, address, value, status); }, status,
        kStatusOtherWriteError);
}

VORNE_ENTRY int32_t VORNE_CALL UDrvWriteItemFinish(int32_t* status) {
    return Guarded(
        "UDrvWriteItemFinish", 1, [&] { return host::WriteItemFinish(status); }, status, kStatusOtherWriteError);
}

}  // extern "C"
