/* A host as a Windows SCADA runtime is one: it loads VORNE.dll with
 * LoadLibraryW, finds every entry by name and calls each, as __stdcall,
 * thousands of times (open, the address entries, add group, write, read,
 * finish, close), checking every result and that every call leaves the stack
 * pointer where it was. A wrong calling convention or argument size in an
 * entry, or in a host-library import the entry goes through, fails it.
 *
 *   stdcall_host DLL DEVICE-IP PORT CYCLES ROUNDS CLOSE-WORDS
 *
 * A device (vorne sim) answers at DEVICE-IP; the driver opens on PORT.
 * CYCLES opens and closes, each with ROUNDS writes and reads of AV:1 at
 * priority 8. UDrvClose gets CLOSE-WORDS arguments (1, or 3 against the
 * Tagcore stand-in whose close takes three: it answers host + 2 * second +
 * 3 * third, so the result shows the arguments arrived unchanged). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "host_calls.h"

static int failures = 0;
static FARPROC entry[kEntryCount];

#define CALL(index, ...)                                                                         \
    ({                                                                                           \
        const uint32_t words_[] = {0, __VA_ARGS__};                                              \
        Checked(entry[index], kEntryNames[index], words_ + 1, (int)(sizeof words_ / 4) - 1, &failures); \
    })
#define CALL0(index) Checked(entry[index], kEntryNames[index], NULL, 0, &failures)
#define EXPECT(condition, ...)                     \
    do {                                           \
        if (!(condition)) {                        \
            fprintf(stderr, "FAIL: " __VA_ARGS__); \
            fputc('\n', stderr);                   \
            ++failures;                            \
        }                                          \
    } while (0)

/* Polls a finish entry (with idle ticks) until it answers 1 or 5 s pass. */
static int32_t Finish(int read, HostValueRecord* values, int32_t count, int32_t* status) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000) {
        const int32_t done = read ? CALL(kReadFinish, WORD_OF(values), 0, (uint32_t)count, WORD_OF(status))
                                  : CALL(kWriteFinish, WORD_OF(status));
        if (done == 1) return 1;
        CALL0(kOnIdle);
        Sleep(1);
    }
    return 0;
}

static void AddressEntries(void) {
    wchar_t header[96], address[96];
    EXPECT(CALL(kValidHeader, WORD_OF(L"PLANT")) == 0, "UDrvValidHeaderW refused a header");
    EXPECT(CALL(kValidAddress, WORD_OF(L""), WORD_OF(L"AV:1:PRESENT-VALUE")) == 0, "UDrvValidAddressW refused AV:1");
    EXPECT(CALL(kValidAddressEx, WORD_OF(L"AV:1:PRESENT-VALUE:8")) == 0, "UDrvValidAddressExW refused AV:1:8");
    EXPECT(CALL(kValidAddressEx, WORD_OF(L"AV:x:PRESENT-VALUE")) != 0, "UDrvValidAddressExW took a bad instance");
    EXPECT(CALL(kGetType, WORD_OF(L""), WORD_OF(L"AV:1:PRESENT-VALUE")) == 2, "UDrvGetTypeW: a Real is not type 2");
    EXPECT(CALL(kGetType, WORD_OF(L""), WORD_OF(L"AV:1:OBJECT-NAME")) == 3, "UDrvGetTypeW: a text is not type 3");
    EXPECT(CALL(kCompareAddress, WORD_OF(L"H"), WORD_OF(L"AV:1:PRESENT-VALUE"), WORD_OF(L"H"),
                WORD_OF(L"AV:2:PRESENT-VALUE")) == -1,
           "UDrvCompareAddressW does not order AV:1 before AV:2");
    /* The same tag twice: the proposal is the next instance (two different
     * tags would count towards the repeat limit and be refused in turn). */
    header[0] = address[0] = 0;
    const int32_t proposed = CALL(kGetHeaderAddress, WORD_OF(L"H"), WORD_OF(L"AV:1:OBJECT-NAME"), WORD_OF(L"H"),
                                  WORD_OF(L"AV:1:OBJECT-NAME"), WORD_OF(header), WORD_OF(address));
    EXPECT(proposed == 1 && wcscmp(address, L"AV:2:OBJECT-NAME") == 0,
           "UDrvGetHeaderAddressW answered %ld and proposed '%ls' after AV:1", (long)proposed, address);
}

/* Writes value at priority 8, reads it back in a two-tag group. */
static void WriteAndRead(const wchar_t* station, double value) {
    HostValueRecord record;
    SetDouble(&record, value);
    int32_t status = 99;
    EXPECT(CALL(kWriteStart, WORD_OF(station), WORD_OF(L""), WORD_OF(L"AV:1:PRESENT-VALUE:8"), WORD_OF(&record),
                WORD_OF(&status)) == 1,
           "UDrvWriteItemStartW sent nothing (status %ld)", (long)status);
    EXPECT(Finish(0, NULL, 0, &status) == 1 && status == 0, "the write of %g ended with status %ld", value,
           (long)status);

    const wchar_t* addresses[] = {L"AV:1:PRESENT-VALUE", L"AV:1:OBJECT-NAME"};
    HostValueRecord values[2];
    memset(values, 0, sizeof values);
    status = 99;
    EXPECT(CALL(kReadStart, WORD_OF(station), WORD_OF(L""), WORD_OF(addresses), 2, WORD_OF(&status)) == 1,
           "UDrvReadGroupStartW sent nothing (status %ld)", (long)status);
    /* A complete scan leaves the status as it was or sets 0. */
    EXPECT(Finish(1, values, 2, &status) == 1 && (status == 99 || status == 0), "the read ended with status %ld",
           (long)status);
    EXPECT(values[0].kind == 2 && GetDouble(&values[0]) == value && values[0].quality == 192,
           "AV:1 read back as kind %lu, %g, quality %u; %g was written", (unsigned long)values[0].kind,
           GetDouble(&values[0]), values[0].quality, value);
    EXPECT(values[1].quality == 192, "AV:1 object name came back with quality %u", values[1].quality);
}

int main(int argc, char** argv) {
    if (argc != 7) {
        fprintf(stderr, "usage: stdcall_host DLL DEVICE-IP PORT CYCLES ROUNDS CLOSE-WORDS\n");
        return 2;
    }
    wchar_t path[MAX_PATH], station[32];
    MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, path, MAX_PATH);
    MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, station, 32);
    const uint32_t port = (uint32_t)atoi(argv[3]);
    const int cycles = atoi(argv[4]), rounds = atoi(argv[5]), closeWords = atoi(argv[6]);

    HMODULE driver = LoadLibraryW(path);
    if (driver == NULL) {
        fprintf(stderr, "FAIL: LoadLibraryW(%s): error %lu\n", argv[1], GetLastError());
        return 1;
    }
    if (!FindEntries(driver, entry)) return 1;

    uint8_t settings[kSettingsBytes];
    BacnetIpSettings(settings, port, 2000, L"NULL");
    const struct {
        const void* operations;
    } task = {NULL};
    long calls = 0;
    for (int cycle = 0; cycle < cycles && failures == 0; ++cycle) {
        wchar_t version[16] = L"";
        int32_t error = -1;
        EXPECT(CALL(kOpen, 0x1000, WORD_OF(settings), WORD_OF(version), WORD_OF(&error)) == 1 && error == 0,
               "UDrvOpenW failed with %ld", (long)error);
        EXPECT(wcscmp(version, L"3.15") == 0, "UDrvOpenW gave version '%ls'", version);
        EXPECT(CALL(kSetTaskInterface, WORD_OF(&task)) == (int32_t)WORD_OF(&task),
               "UDrvSetDriverTaskInterface did not answer its argument");
        EXPECT(CALL(kAddGroup, 0x2000, WORD_OF(station)) == 1, "UDrvAddGroupW did not answer 1");
        for (int round = 0; round < rounds && failures == 0; ++round) {
            AddressEntries();
            WriteAndRead(station, cycle * 1000 + round + 0.5);
            CALL0(kOnIdle);
            calls += 19;
        }
        CALL(kRemoveGroup, 0x2000);
        int32_t closed = 0;
        if (closeWords == 3) {
            closed = CALL(kClose, 0x1000, 7, 11);
            EXPECT(closed == 0x1000 + 2 * 7 + 3 * 11, "UDrvClose answered %ld, not Tagcore's close of (0x1000, 7, 11)",
                   (long)closed);
        } else {
            closed = CALL(kClose, 0x1000);
            EXPECT(closed == 0, "UDrvClose answered %ld", (long)closed);
        }
    }
    FreeLibrary(driver);
    if (failures != 0) {
        fprintf(stderr, "stdcall_host: %d failures\n", failures);
        return 1;
    }
    printf("stdcall_host: %d opens and closes, about %ld entry calls, every stack pointer kept\n", cycles, calls);
    return 0;
}
