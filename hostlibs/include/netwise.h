/* Netwise: the host's network library (trace line and UDP sockets). */
#ifndef NETWISE_H
#define NETWISE_H

#include <stdint.h>

#include "hostlib_abi.h"

#if defined(NETWISE_BUILDING)
#define NETWISE_API HOSTLIB_EXPORT_MARK
#else
#define NETWISE_API HOSTLIB_IMPORT_MARK
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Appends one line to the host's communication log. */
NETWISE_API int32_t HOSTLIB_CALL TraceLine(const hostlib_char* text);

/* UDP sockets. A handle is a 32-bit word; 0 is never a valid handle.
 * Environment: VORNE_BIND is the IPv4 address UdpBind binds to (default all
 * interfaces); VORNE_BROADCAST is where "BROADCAST:*" sends (default
 * 255.255.255.255); VORNE_PEER_PORTS ("ADDRESS=PORT,...") sends datagrams
 * for those addresses to their port instead of destinationPort, and names a
 * datagram from such a port on loopback as coming from its address (test
 * devices on loopback ports of their own). */
NETWISE_API int32_t HOSTLIB_CALL UdpOpen(int32_t* error);
/* Makes a receive wait at most the given number of milliseconds. */
NETWISE_API int32_t HOSTLIB_CALL UdpConfigure(int32_t socket, int32_t receiveTimeoutMs);
/* 0 when bound to the port; otherwise the socket is bound to a port the
 * system chose and the result is nonzero (error holds the system's code). */
NETWISE_API int32_t HOSTLIB_CALL UdpBind(int32_t socket, int32_t reserved, uint32_t port, int32_t* error);
/* One datagram: its length (which may exceed capacity when the datagram was
 * cut), or 0 or less when nothing arrived. senderText gets at most 19
 * characters and a NUL. */
NETWISE_API int32_t HOSTLIB_CALL UdpReceiveFrom(int32_t socket, hostlib_char* senderText, uint32_t* senderPort,
                                                uint8_t* data, int32_t capacity, int32_t* error);
NETWISE_API int32_t HOSTLIB_CALL UdpClose(int32_t socket);
/* destination: a dotted IPv4 address or "BROADCAST:*". 0 on success, else
 * an error code; NETWISE_BAD_DESTINATION for an unusable destination text. */
NETWISE_API int32_t HOSTLIB_CALL UdpSendTo(int32_t socket, const hostlib_char* destination, uint32_t localPort,
                                           uint32_t destinationPort, const uint8_t* data, int32_t length);

enum NetwiseStatus { NETWISE_OK = 0, NETWISE_BAD_DESTINATION = 0x4E01, NETWISE_NO_SOCKET = 0x4E02 };

#ifdef __cplusplus
}
#endif

#endif
