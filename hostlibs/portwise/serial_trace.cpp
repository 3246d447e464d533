// Portwise stand-in: the serial library's trace call shares the host's
// communication log with Netwise.
#include "netwise.h"
#include "portwise.h"

extern "C" PORTWISE_API int32_t HOSTLIB_CALL SerialTrace(const char16_t* text) { return TraceLine(text); }
