// The text form shared by the lists of Unsigned and of Enumerated values.
#pragma once

#include <cstdint>

#include "encoding/byte_vector.hpp"
#include "tagcore.h"

namespace coders::integer_list_text {

inline constexpr std::size_t kMaxTextCharacters = 80;

// The elements as signed integers joined by "|"; nothing stored when the
// list cannot be read or its text grows past kMaxTextCharacters.
void DecodeIntegerList(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::uint32_t& consumed);

// Every "|" piece as an application-tagged value of the given tag (Unsigned
// or Enumerated) in the fewest octets; a piece that is no number gives 0.
void EncodeIntegerList(encoding::ByteVector& out, const HostValue& value, std::uint8_t applicationTag);

}  // namespace coders::integer_list_text
