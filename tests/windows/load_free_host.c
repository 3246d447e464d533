/* A host that loads and frees VORNE.dll again and again in one process,
 * opening and closing the driver each time, as a runtime does when a project
 * is stopped and started: the DLL must go away completely each time and
 * leave no handle, thread or memory behind.
 *
 *   load_free_host DLL PORT TIMES */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include "host_calls.h"

typedef struct Usage {
    DWORD handles;
    DWORD threads;
    SIZE_T privateBytes;
} Usage;

static DWORD ThreadCount(void) {
    const DWORD self = GetCurrentProcessId();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 thread = {sizeof thread};
    DWORD count = 0;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
        if (thread.th32OwnerProcessID == self) ++count;
    CloseHandle(snapshot);
    return count;
}

static Usage Measure(void) {
    Usage usage = {0, 0, 0};
    GetProcessHandleCount(GetCurrentProcess(), &usage.handles);
    usage.threads = ThreadCount();
    PROCESS_MEMORY_COUNTERS_EX memory = {sizeof memory};
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&memory, sizeof memory);
    usage.privateBytes = memory.PrivateUsage;
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
    printf("load_free_host: %d loads; handles %lu -> %lu, threads %lu -> %lu, private bytes %lu -> %lu\n", times,
           before.handles, after.handles, before.threads, after.threads, (unsigned long)before.privateBytes,
           (unsigned long)after.privateBytes);
    /* A leak of one handle, one thread or a page per load shows many times over. */
    const SIZE_T memoryAllowance = 64 * 1024;
    if (after.handles > before.handles) {
        fprintf(stderr, "FAIL: %lu handles more\n", after.handles - before.handles);
        ++failures;
    }
    if (after.threads > before.threads) {
        fprintf(stderr, "FAIL: %lu threads more\n", after.threads - before.threads);
        ++failures;
    }
    if (after.privateBytes > before.privateBytes + memoryAllowance) {
        fprintf(stderr, "FAIL: %lu private bytes more\n", (unsigned long)(after.privateBytes - before.privateBytes));
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
