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

#ifdef __cplusplus
}
#endif

#endif
