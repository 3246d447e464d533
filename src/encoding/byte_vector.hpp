// The growable byte array that every encoder appends to.
#pragma once

#include <cstdint>
#include <vector>

namespace encoding {

using ByteVector = std::vector<std::uint8_t>;

}  // namespace encoding
