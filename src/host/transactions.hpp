// The write entries: the write cycle.
#pragma once

#include <cstdint>

#include "tagcore.h"

namespace host {

std::int32_t WriteItemStart(const char16_t* header, const char16_t* firstAddressArgument, const char16_t* address,
                            const HostValue* value, std::int32_t* status);
std::int32_t WriteItemFinish(std::int32_t* status);

}  // namespace host
