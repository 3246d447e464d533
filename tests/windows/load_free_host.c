/* A host that loads and frees VORNE.dll again and again in one process,
 * opening and closing the driver each time, as a runtime does when a project
 * is stopped and started: the DLL must go away completely each time and
 * leave no handle, thread or memory behind.
 *
 *   load_free_host DLL PORT TIMES */
#include "host_calls.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <tlhelp32.h>

typedef struct Usage {
    uintptr_t handles;  /* the highest of a batch of fresh handles */
    DWORD threads;
    SIZE_T committedBytes;
} Usage;

/* Handles are handed out lowest free slot first (Wine reports no handle
 * count), so handles left open by the DLL push a batch of fresh ones up. */
static uintptr_t HandleHighWater(void) {
    enum { kBatch = 64 };
    HANDLE batch[kBatch];
    uintptr_t highest = 0;
    for (int i = 0; i < kBatch; ++i) {
        batch[i] = CreateEventW(NULL, FALSE, FALSE, NULL);
        if ((uintptr_t)batch[i] > highest) highest = (uintptr_t)batch[i];
    }
    for (int i = 0; i < kBatch; ++i) CloseHandle(batch[i]);
    return highest;
}

static DWORD ThreadCount(void) {
    const DWORD self = GetCurrentProcessId();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 thread;
    memset(&thread, 0, sizeof thread);
    thread.dwSize = sizeof thread;
    DWORD count = 0;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
        if (thread.th32OwnerProcessID == self) ++count;
    CloseHandle(snapshot);
    return count;
}

/* Committed memory of the process's own (heaps, stacks) and of mapped views,
 * walked page range by page range (Wine reports no private bytes). */
static SIZE_T CommittedBytes(void) {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    const char* at = NULL;
    while (VirtualQuery(at, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && (region.Type == MEM_PRIVATE || region.Type == MEM_MAPPED))
            total += region.RegionSize;
        const char* next = (const char*)region.BaseAddress + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

static Usage Measure(void) {
    Usage usage;
    usage.handles = HandleHighWater();
    usage.threads = ThreadCount();
    usage.committedBytes = CommittedBytes();
    return usage;
}

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: load_free_host DLL PORT TIMES\n");
        return 2;
    }
    wchar_t path[MAX_PATH];
    MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, path, MAX_PATH);
    const uint32_t port = (uint32_t)atoi(argv[2]);
    const int times = atoi(argv[3]);
    /* A SCADA host has its own libraries (Tagcore, Netwise, Portwise) and the
     * socket library loaded for itself: only the driver comes and goes.
     * (Wine cannot load the socket library twice in one process.) */
    const wchar_t* const hostLibraries[] = {L"ws2_32.dll", L"tagcore.dll", L"netwise.dll", L"portwise.dll"};
    for (size_t i = 0; i < sizeof hostLibraries / sizeof hostLibraries[0]; ++i) {
        if (LoadLibraryW(hostLibraries[i]) == NULL) {
            fprintf(stderr, "FAIL: the host library %ls does not load: error %lu\n", hostLibraries[i], GetLastError());
            return 1;
        }
    }
    /* Usage is compared from after the first rounds on: the first load also
     * settles the system DLLs and heaps that stay for the process. */
    const int settled = 5;
    uint8_t settings[kSettingsBytes];
    BacnetIpSettings(settings, port, 1000, L"");
    Usage before = {0, 0, 0};
    int failures = 0;
    for (int i = 0; i < times && failures == 0; ++i) {
        if (i == settled) before = Measure();
        HMODULE driver = LoadLibraryW(path);
        if (driver == NULL) {
            fprintf(stderr, "FAIL: load %d: LoadLibraryW error %lu\n", i, GetLastError());
            return 1;
        }
        FARPROC entries[kEntryCount];
        if (!FindEntries(driver, entries)) return 1;
        wchar_t version[16];
        int32_t error = -1;
        const uint32_t open[] = {0, WORD_OF(settings), WORD_OF(version), WORD_OF(&error)};
        if (Checked(entries[kOpen], "UDrvOpenW", open, 4, &failures) != 1 || error != 0) {
            fprintf(stderr, "FAIL: load %d: UDrvOpenW failed with %ld\n", i, (long)error);
            ++failures;
        }
        const uint32_t close[] = {0};
        if (Checked(entries[kClose], "UDrvClose", close, 1, &failures) != 0) {
            fprintf(stderr, "FAIL: load %d: UDrvClose did not answer 0\n", i);
            ++failures;
        }
        if (!FreeLibrary(driver)) {
            fprintf(stderr, "FAIL: load %d: FreeLibrary error %lu\n", i, GetLastError());
            ++failures;
        }
        if (GetModuleHandleW(L"VORNE.dll") != NULL) {
            fprintf(stderr, "FAIL: load %d: VORNE.dll is still loaded after FreeLibrary\n", i);
            ++failures;
        }
    }
    const Usage after = Measure();
    printf("load_free_host: %d loads; highest fresh handle %#lx -> %#lx, threads %lu -> %lu, committed bytes %lu -> "
           "%lu\n",
           times, (unsigned long)before.handles, (unsigned long)after.handles, before.threads, after.threads,
           (unsigned long)before.committedBytes, (unsigned long)after.committedBytes);
    /* A leak of one handle, one thread or a page per load shows many times over. */
    const SIZE_T memoryAllowance = 64 * 1024;
    if (after.handles > before.handles) {
        fprintf(stderr, "FAIL: handles left open: fresh handles now reach %#lx, not %#lx\n",
                (unsigned long)after.handles, (unsigned long)before.handles);
        ++failures;
    }
    if (after.threads > before.threads) {
        fprintf(stderr, "FAIL: %lu threads more\n", after.threads - before.threads);
        ++failures;
    }
    if (after.committedBytes > before.committedBytes + memoryAllowance) {
        fprintf(stderr, "FAIL: %lu committed bytes more\n",
                (unsigned long)(after.committedBytes - before.committedBytes));
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
