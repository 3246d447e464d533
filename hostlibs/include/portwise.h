/* Portwise: the host's serial library. */
#ifndef PORTWISE_H
#define PORTWISE_H

#include <stdint.h>

#include "hostlib_abi.h"

#if defined(PORTWISE_BUILDING)
#define PORTWISE_API HOSTLIB_EXPORT_MARK
#else
#define PORTWISE_API HOSTLIB_IMPORT_MARK
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Writes one line to the host's communication log, as TraceLine does. */
PORTWISE_API int32_t HOSTLIB_CALL SerialTrace(const hostlib_char* text);

/* Serial ports.
 *
 * A port handle is the address of the library's port record, which starts
 * with this public part; the rest is the library's own. The error word says
 * why the last SerialWrite on the port failed (a PortwiseStatus code, 0 after
 * a write that succeeded); it is written only by SerialWrite, on the thread
 * that called it.
 *
 * SerialOpen starts one receive thread per port. That thread waits for bytes
 * from the line and, once a callback is registered, calls it once for each
 * byte received, with the port handle as its argument; the callback takes
 * the byte with SerialReadByte. The thread stops calling for the bytes at
 * hand when a call leaves its byte unread, and drops bytes that arrive while
 * no callback is registered. SerialClose stops the thread and waits for it
 * (at most 3 s), so no callback runs after SerialClose has returned; a
 * callback that waits for the thread calling SerialClose must give up once
 * the port is being closed. */
typedef struct PortwisePort {
    uint32_t signature; /* PORTWISE_SIGNATURE while the port is open */
    uint8_t reserved[20];
    int32_t errorWord; /* byte offset 24 */
} PortwisePort;

#define PORTWISE_SIGNATURE 0x50535750u /* "PWSP" */

typedef void(HOSTLIB_CALL* PortwiseReceiveCallback)(void* port);

enum PortwiseStatus {
    PORTWISE_OK = 0,
    PORTWISE_NO_DEVICE = 0x5001,        /* no settings record, or its serial device path is empty */
    PORTWISE_CANNOT_OPEN = 0x5002,      /* the system could not open the device: missing, in use, no access */
    PORTWISE_NOT_SERIAL = 0x5003,       /* the device took no serial-line settings */
    PORTWISE_BAD_LINE = 0x5004,         /* baud rate, data bits, parity or stop bits refused */
    PORTWISE_NO_THREAD = 0x5005,        /* the port record or its receive thread could not be set up */
    PORTWISE_WRITE_FAILED = 0x5006      /* the line failed or did not take the frame in time */
};

/* Opens the serial line that the settings record names (the host's record,
 * the one UDrvOpenW receives: device path, baud rate, data bits, parity and
 * stop bits). Returns the port handle with *error 0, or null with *error a
 * PortwiseStatus code; every failure also writes a log line. The host handle
 * is not used. */
PORTWISE_API void* HOSTLIB_CALL SerialOpen(void* hostHandle, const void* settings, int32_t* error);
/* Registers (or with null removes) the receive callback. */
PORTWISE_API void HOSTLIB_CALL SerialSetReceiveCallback(void* port, PortwiseReceiveCallback callback);
/* Inside the callback, with the argument it got: stores the next received
 * byte and returns 1; 0 when there is none. */
PORTWISE_API int32_t HOSTLIB_CALL SerialReadByte(void* port, uint8_t* byte);
/* Writes the frame; nonzero when all of it went out, 0 (and the error word
 * set) otherwise. */
PORTWISE_API int32_t HOSTLIB_CALL SerialWrite(void* port, const uint8_t* data, int32_t length);
/* Stops the receive thread, closes the line and frees the record. */
PORTWISE_API void HOSTLIB_CALL SerialClose(void* port);

#ifdef __cplusplus
}
#endif

#endif
