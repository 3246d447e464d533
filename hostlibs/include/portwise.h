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

#ifdef __cplusplus
}
#endif

#endif
