/* VORNE BACnet client driver: the host-facing C interface.
 *
 * A host loads the library and calls these sixteen entries one at a time from
 * its driver thread. Texts are NUL-terminated UTF-16 strings owned by the host.
 * On 32-bit Windows the entries use __stdcall and are exported undecorated.
 */
#ifndef VORNE_VORNE_H
#define VORNE_VORNE_H

#include <stdint.h>

#if defined(_WIN32)
#define VORNE_CALL __stdcall
#else
#define VORNE_CALL
#endif

#if defined(VORNE_BUILDING_DRIVER)
#if defined(_WIN32)
#define VORNE_ENTRY __declspec(dllexport)
#else
#define VORNE_ENTRY __attribute__((visibility("default")))
#endif
#else
#define VORNE_ENTRY
#endif

#ifdef __cplusplus
typedef char16_t vorne_char;
#elif defined(_WIN32)
typedef wchar_t vorne_char;
#else
typedef uint16_t vorne_char;
#endif

#ifdef __cplusplus
extern "C" {
#endif

struct HostValue;

/* The host task interface given to UDrvSetDriverTaskInterface: an object whose
 * first member points at its table of operations. The driver calls the first
 * operation to fetch the host value of a local object's property (object index,
 * the item the local property table names) and the second to store one. */
struct VorneTaskInterface;
struct VorneTaskOperations {
    int32_t(VORNE_CALL* fetchValue)(struct VorneTaskInterface* self, int32_t objectIndex, uintptr_t item,
                                    struct HostValue* value);
    int32_t(VORNE_CALL* storeValue)(struct VorneTaskInterface* self, int32_t objectIndex, uintptr_t item,
                                    const struct HostValue* value);
};
struct VorneTaskInterface {
    const struct VorneTaskOperations* operations;
};

VORNE_ENTRY int32_t VORNE_CALL UDrvOpenW(void* hostHandle, const void* settings, vorne_char* versionOut,
                                         int32_t* errorOut);
VORNE_ENTRY int32_t VORNE_CALL UDrvClose(void* hostHandle);
VORNE_ENTRY void VORNE_CALL UDrvOnIdle(void);
VORNE_ENTRY void* VORNE_CALL UDrvSetDriverTaskInterface(void* taskInterface);
VORNE_ENTRY int32_t VORNE_CALL UDrvGetTypeW(const vorne_char* firstAddressArgument, const vorne_char* address);

VORNE_ENTRY int32_t VORNE_CALL UDrvValidHeaderW(const vorne_char* header);
VORNE_ENTRY int32_t VORNE_CALL UDrvValidAddressW(const vorne_char* firstAddressArgument, const vorne_char* address);
VORNE_ENTRY int32_t VORNE_CALL UDrvValidAddressExW(const vorne_char* address);
VORNE_ENTRY int32_t VORNE_CALL UDrvGetHeaderAddressW(const vorne_char* headerA, const vorne_char* addressA,
                                                     const vorne_char* headerB, const vorne_char* addressB,
                                                     vorne_char* headerOut, vorne_char* addressOut);
VORNE_ENTRY int32_t VORNE_CALL UDrvCompareAddressW(const vorne_char* headerA, const vorne_char* addressA,
                                                   const vorne_char* headerB, const vorne_char* addressB);

VORNE_ENTRY int32_t VORNE_CALL UDrvAddGroupW(void* group, const vorne_char* station);
VORNE_ENTRY void VORNE_CALL UDrvRemoveGroup(void* group);
VORNE_ENTRY int32_t VORNE_CALL UDrvReadGroupStartW(const vorne_char* header, const vorne_char* firstAddressArgument,
                                                   const vorne_char* const* addresses, int32_t itemCount,
                                                   int32_t* status);
VORNE_ENTRY int32_t VORNE_CALL UDrvReadGroupFinishExtW(struct HostValue* values, int32_t ignored, int32_t itemCount,
                                                       int32_t* status);
VORNE_ENTRY int32_t VORNE_CALL UDrvWriteItemStartW(const vorne_char* header, const vorne_char* firstAddressArgument,
                                                   const vorne_char* address, const struct HostValue* value,
                                                   int32_t* status);
VORNE_ENTRY int32_t VORNE_CALL UDrvWriteItemFinish(int32_t* status);

#ifdef __cplusplus
}
#endif

#endif
