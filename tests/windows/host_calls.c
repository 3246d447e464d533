#include "host_calls.h"

#include <stdio.h>
#include <string.h>

const char* const kEntryNames[kEntryCount] = {
    "UDrvOpenW", "UDrvClose", "UDrvOnIdle", "UDrvSetDriverTaskInterface", "UDrvGetTypeW", "UDrvValidHeaderW",
    "UDrvValidAddressW", "UDrvValidAddressExW", "UDrvGetHeaderAddressW", "UDrvCompareAddressW", "UDrvAddGroupW",
    "UDrvRemoveGroup", "UDrvReadGroupStartW", "UDrvReadGroupFinishExtW", "UDrvWriteItemStartW",
    "UDrvWriteItemFinish"};

int FindEntries(HMODULE driver, FARPROC entries[kEntryCount]) {
    int found = 1;
    for (int i = 0; i < kEntryCount; ++i) {
        entries[i] = GetProcAddress(driver, kEntryNames[i]);
        if (entries[i] == NULL) {
            fprintf(stderr, "FAIL: the driver exports no %s\n", kEntryNames[i]);
            found = 0;
        }
    }
    return found;
}

/* edi keeps the stack pointer from before the pushes: a __stdcall callee
 * preserves edi, esi, ebx and ebp, and removes its own arguments. */
__asm__(
    "    .text\n"
    "    .globl _CallStdcall\n"
    "_CallStdcall:\n"
    "    pushl %ebp\n"
    "    movl %esp, %ebp\n"
    "    pushl %ebx\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    movl 12(%ebp), %esi\n"
    "    movl 16(%ebp), %ecx\n"
    "    movl %esp, %edi\n"
    "1:  testl %ecx, %ecx\n"
    "    jz 2f\n"
    "    decl %ecx\n"
    "    pushl (%esi,%ecx,4)\n"
    "    jmp 1b\n"
    "2:  call *8(%ebp)\n"
    "    movl %esp, %ecx\n"
    "    subl %edi, %ecx\n"
    "    movl 20(%ebp), %edx\n"
    "    movl %ecx, (%edx)\n"
    "    leal -12(%ebp), %esp\n"
    "    popl %edi\n"
    "    popl %esi\n"
    "    popl %ebx\n"
    "    popl %ebp\n"
    "    ret\n");

int32_t Checked(FARPROC entry, const char* name, const uint32_t* words, int count, int* failures) {
    int32_t drift = 0;
    const int32_t result = CallStdcall(entry, words, count, &drift);
    if (drift != 0) {
        fprintf(stderr, "FAIL: %s with %d argument bytes moved the stack pointer by %ld bytes\n", name, count * 4,
                (long)drift);
        ++*failures;
    }
    return result;
}

static void PutText(uint8_t* at, const wchar_t* text) { memcpy(at, text, (wcslen(text) + 1) * sizeof(wchar_t)); }

void BacnetIpSettings(uint8_t settings[kSettingsBytes], uint32_t port, uint16_t timeoutMs, const wchar_t* nullValue) {
    memset(settings, 0, kSettingsBytes);
    memcpy(settings + 20, &timeoutMs, sizeof timeoutMs);
    const uint32_t retries = 3;
    memcpy(settings + 36, &retries, sizeof retries);
    PutText(settings + 372, nullValue);
    memcpy(settings + 540, &port, sizeof port);
}

void SetDouble(HostValueRecord* value, double number) {
    memset(value, 0, sizeof *value);
    value->kind = 2;
    memcpy(value->number, &number, sizeof number);
}

double GetDouble(const HostValueRecord* value) {
    double number = 0;
    memcpy(&number, value->number, sizeof number);
    return number;
}
