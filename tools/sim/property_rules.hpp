// Which properties an object type must have, and which a client may not write.
#pragma once

#include <cstdint>

namespace sim {

bool IsRequiredProperty(std::uint32_t objectType, std::uint32_t property);

// Properties the device computes or fixes; present values of inputs are
// handled apart (writable while out of service).
bool IsReadOnlyProperty(std::uint32_t objectType, std::uint32_t property);

bool IsInputType(std::uint32_t objectType);

}  // namespace sim
