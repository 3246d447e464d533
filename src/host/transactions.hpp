// The group and write entries: read group cycle and write cycle.
#pragma once

#include <cstdint>

#include "tagcore.h"

namespace host {

std::int32_t AddGroup(void* group, const char16_t* station);
void RemoveGroup(void* group);
std::int32_t ReadGroupStart(const char16_t* header, const char16_t* firstAddressArgument,
                            const char16_t* const* addresses, std::int32_t itemCount, std::int32_t* status);
std::int32_t ReadGroupFinish(HostValue* values, std::int32_t itemCount, std::int32_t* status);
std::int32_t WriteItemStart(const char16_t* header, const char16_t* firstAddressArgument, const char16_t* address,
                            const HostValue* value, std::int32_t* status);
std::int32_t WriteItemFinish(std::int32_t* status);

}  // namespace host
