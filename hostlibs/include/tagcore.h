/* Tagcore: the host's driver-support library.
 *
 * Driver registration, the tag address grammar, and the host value record with
 * its text operations. Imported by ordinal on Windows (see tagcore.def).
 */
#ifndef TAGCORE_H
#define TAGCORE_H

#include <stddef.h>
#include <stdint.h>

#include "hostlib_abi.h"

#if defined(TAGCORE_BUILDING)
#define TAGCORE_API HOSTLIB_EXPORT_MARK
#else
#define TAGCORE_API HOSTLIB_IMPORT_MARK
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The host's value record: 192 bytes. Kind 1 integer, 2 double, 3 and 4 text.
 * The number is a signed 32-bit integer in its first four bytes (kinds 0, 1)
 * or an IEEE 754 double (kind 2). The text area belongs to Tagcore and is
 * reached only through StoreText, AssignText and FetchText. Quality and the
 * FILETIME time stamp are written by the driver's read cycle. Fields that are
 * not naturally aligned on every target are byte arrays, read with memcpy. */
struct HostValue {
    uint32_t kind;
    uint8_t reserved0[4];
    uint8_t number[8];
    uint8_t text[160];
    uint16_t quality;
    uint8_t reserved1[2];
    uint8_t timeStamp[8]; /* FILETIME: low 32 bits, then high 32 bits */
    uint8_t reserved2[4];
};

/* One parsed address (64 bytes). */
struct ParsedAddressItem {
    uint8_t reserved0[20];
    int32_t instance;
    int32_t propertyPosition; /* index into the property order table */
    int32_t priority;         /* 1..16, -1 when the address gives none */
    uint8_t reserved1[32];
};

/* Filled by every ParseAddresses call. The item pointer sits at an offset that
 * is not pointer-aligned on 64-bit targets, so it is kept as bytes. */
struct ParsedAddressRecord {
    uint8_t reserved0[200];
    int32_t objectTypePosition; /* index into the object-type order table, shared by all items */
    uint8_t reserved1[92];
    int32_t instanceOffset; /* -1 for none, else added to every item's instance */
    uint8_t reserved2[80];
    uint8_t items[sizeof(void*)]; /* struct ParsedAddressItem* */
    uint8_t reserved3[12 - sizeof(void*)]; /* the record is 392 bytes on every target */
};

/* Handed out by GetHeaderAddress: offset 100 holds the object-type alias of
 * the address it produced ("AV", "SCH", ...), NUL-terminated UTF-16. */
struct HeaderAddressRecord {
    uint8_t reserved0[100];
    hostlib_char objectTypeAlias[16];
    uint8_t reserved1[28];
};

TAGCORE_API int32_t HOSTLIB_CALL RegisterDriver(const hostlib_char* driverName, struct ParsedAddressRecord** record);
/* Ends the registration. The driver hands on whatever its host passed to
 * UDrvClose, unchanged. This stand-in takes the host handle; built with
 * TAGCORE_CLOSE_TAKES_THREE (a test of a host whose close passes more) it
 * takes three words and answers host + 2 * second + 3 * third. */
#if defined(TAGCORE_CLOSE_TAKES_THREE)
TAGCORE_API int32_t HOSTLIB_CALL CloseDriver(void* hostHandle, int32_t second, int32_t third);
#else
TAGCORE_API int32_t HOSTLIB_CALL CloseDriver(void* hostHandle);
#endif
TAGCORE_API int32_t HOSTLIB_CALL ValidHeader(const hostlib_char* driverName, const hostlib_char* header);
TAGCORE_API int32_t HOSTLIB_CALL ValidAddress(const hostlib_char* driverName, const hostlib_char* firstAddressArgument,
                                              const hostlib_char* address);
TAGCORE_API int32_t HOSTLIB_CALL ValidAddressEx(const hostlib_char* driverName, const hostlib_char* address);
TAGCORE_API int32_t HOSTLIB_CALL GetHeaderAddress(const hostlib_char* driverName, const hostlib_char* headerA,
                                                  const hostlib_char* headerB, const hostlib_char* addressA,
                                                  const hostlib_char* addressB, hostlib_char* headerOut,
                                                  hostlib_char* addressOut, int32_t headerCapacity,
                                                  int32_t addressCapacity, struct HeaderAddressRecord** record,
                                                  int32_t* unused1, int32_t* unused2, int32_t* unused3);
TAGCORE_API int32_t HOSTLIB_CALL CompareAddress(const hostlib_char* driverName, const hostlib_char* headerA,
                                                const hostlib_char* headerB, const hostlib_char* addressA,
                                                const hostlib_char* addressB, int32_t reserved1, int32_t reserved2,
                                                int32_t* unused1, int32_t* unused2);
TAGCORE_API int32_t HOSTLIB_CALL ParseAddresses(const hostlib_char* header, const hostlib_char* firstAddressArgument,
                                                const hostlib_char* const* addresses, int32_t itemCount);
TAGCORE_API int32_t HOSTLIB_CALL IsIpAddressText(const hostlib_char* text);
TAGCORE_API int32_t HOSTLIB_CALL HexByte(const hostlib_char* twoCharacters);
TAGCORE_API int32_t HOSTLIB_CALL StoreText(struct HostValue* value, const hostlib_char* text);
TAGCORE_API int32_t HOSTLIB_CALL AssignText(struct HostValue* value, const hostlib_char* text);
TAGCORE_API int32_t HOSTLIB_CALL FetchText(const struct HostValue* value, hostlib_char* buffer, int32_t capacity);

/* Tagcore status codes (0 is success). */
enum TagcoreStatus {
    TAGCORE_OK = 0,
    TAGCORE_UNKNOWN_DRIVER = 101,        /* the driver name is not "VORNE" */
    TAGCORE_NOT_REGISTERED = 102,        /* ParseAddresses before RegisterDriver */
    TAGCORE_BAD_HEADER = 103,            /* empty, longer than 80 characters, or blank */
    TAGCORE_BAD_ADDRESS_FORM = 104,      /* not TYPE:INSTANCE:PROPERTY[:PRIORITY] */
    TAGCORE_UNKNOWN_OBJECT_TYPE = 105,   /* TYPE is neither a name nor an alias */
    TAGCORE_BAD_INSTANCE = 106,          /* INSTANCE not a number in 0..4194303 */
    TAGCORE_UNKNOWN_PROPERTY = 107,      /* PROPERTY is neither a name nor a known number */
    TAGCORE_BAD_PRIORITY = 108,          /* PRIORITY not a number in 1..16 */
    TAGCORE_MIXED_OBJECT_TYPES = 109,    /* addresses of one call name different object types */
    TAGCORE_BAD_ITEM_COUNT = 110,        /* item count below 1 or above 4096, or no address array */
    TAGCORE_BAD_INSTANCE_OFFSET = 111,   /* first address argument not a number in 0..4194303 */
    TAGCORE_NO_TEXT = 112                /* FetchText on a value that holds no text (or an evicted one) */
};

#ifdef __cplusplus
}

static_assert(sizeof(HostValue) == 192, "HostValue is 192 bytes");
static_assert(offsetof(HostValue, kind) == 0, "kind at 0");
static_assert(offsetof(HostValue, number) == 8, "number at 8");
static_assert(offsetof(HostValue, text) == 16, "text area at 16");
static_assert(offsetof(HostValue, quality) == 176, "quality at 176");
static_assert(offsetof(HostValue, timeStamp) == 180, "time stamp at 180");
static_assert(sizeof(ParsedAddressItem) == 64, "items are 64 bytes");
static_assert(offsetof(ParsedAddressItem, instance) == 20, "instance at 20");
static_assert(offsetof(ParsedAddressItem, propertyPosition) == 24, "property position at 24");
static_assert(offsetof(ParsedAddressItem, priority) == 28, "priority at 28");
static_assert(offsetof(ParsedAddressRecord, objectTypePosition) == 200, "object type at 200");
static_assert(offsetof(ParsedAddressRecord, instanceOffset) == 296, "instance offset at 296");
static_assert(offsetof(ParsedAddressRecord, items) == 380, "items at 380");
static_assert(offsetof(HeaderAddressRecord, objectTypeAlias) == 100, "alias at 100");
#endif

#endif
