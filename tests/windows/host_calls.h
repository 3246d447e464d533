/* What the Windows test hosts share: the driver's sixteen entries found by
 * name, a settings record and host value records laid out as a host keeps
 * them, and calls whose stack pointer is measured. 32-bit Windows only. */
#ifndef VORNE_TESTS_WINDOWS_HOST_CALLS_H
#define VORNE_TESTS_WINDOWS_HOST_CALLS_H

#include <stdint.h>
#include <wchar.h>
/* Lean: the full windows.h declares a CloseDriver of its own (mmsystem.h). */
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "tagcore.h"

/* The entries as a host declares them: __stdcall, 32-bit words. */
typedef int32_t(__stdcall* OpenEntry)(void* host, const void* settings, wchar_t* version, int32_t* error);
typedef int32_t(__stdcall* CloseEntry)(void* host);
typedef void(__stdcall* IdleEntry)(void);
typedef void*(__stdcall* TaskInterfaceEntry)(void* taskInterface);
typedef int32_t(__stdcall* TypeEntry)(const wchar_t* first, const wchar_t* address);
typedef int32_t(__stdcall* ValidHeaderEntry)(const wchar_t* header);
typedef int32_t(__stdcall* ValidAddressEntry)(const wchar_t* first, const wchar_t* address);
typedef int32_t(__stdcall* ValidAddressExEntry)(const wchar_t* address);
typedef int32_t(__stdcall* HeaderAddressEntry)(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*,
                                               wchar_t*, wchar_t*);
typedef int32_t(__stdcall* CompareEntry)(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*);
typedef int32_t(__stdcall* AddGroupEntry)(void* group, const wchar_t* station);
typedef void(__stdcall* RemoveGroupEntry)(void* group);
typedef int32_t(__stdcall* ReadStartEntry)(const wchar_t* header, const wchar_t* first, const wchar_t* const* addresses,
                                           int32_t count, int32_t* status);
typedef int32_t(__stdcall* ReadFinishEntry)(void* values, int32_t ignored, int32_t count, int32_t* status);
typedef int32_t(__stdcall* WriteStartEntry)(const wchar_t* header, const wchar_t* first, const wchar_t* address,
                                            const void* value, int32_t* status);
typedef int32_t(__stdcall* WriteFinishEntry)(int32_t* status);

/* In the order of the driver's export table. */
enum EntryIndex {
    kOpen, kClose, kOnIdle, kSetTaskInterface, kGetType, kValidHeader, kValidAddress, kValidAddressEx,
    kGetHeaderAddress, kCompareAddress, kAddGroup, kRemoveGroup, kReadStart, kReadFinish, kWriteStart,
    kWriteFinish, kEntryCount
};
extern const char* const kEntryNames[kEntryCount];

/* GetProcAddress for every entry; 0 (and a line on stderr) when one is missing. */
int FindEntries(HMODULE driver, FARPROC entries[kEntryCount]);

/* Calls entry, a __stdcall function, with count 32-bit words pushed as a
 * host pushes them, and stores in *drift how far the stack pointer moved
 * across the call: 0 when the callee removed exactly what was pushed. A
 * compiler's own call through a __stdcall pointer may put the stack pointer
 * back from the frame pointer and so hide a callee that removed too much or
 * too little; this call measures it. */
int32_t CallStdcall(FARPROC entry, const uint32_t* words, int count, int32_t* drift);

/* CallStdcall that reports a drift on stderr, counts it in *failures and
 * returns the entry's result. */
int32_t Checked(FARPROC entry, const char* name, const uint32_t* words, int count, int* failures);

/* The host's settings record (688 bytes) for BACnet/IP on a port. */
enum { kSettingsBytes = 688 };
void BacnetIpSettings(uint8_t settings[kSettingsBytes], uint32_t port, uint16_t timeoutMs, const wchar_t* nullValue);

/* The host's value record is Tagcore's (tagcore.h). */
typedef struct HostValue HostValueRecord;
void SetDouble(HostValueRecord* value, double number);
double GetDouble(const HostValueRecord* value);

#define WORD_OF(x) ((uint32_t)(uintptr_t)(x))

#endif
