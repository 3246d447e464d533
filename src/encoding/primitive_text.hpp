// Octet strings, bit strings and object identifiers as text:
//   octet string  "0A FF 00 " decoded, "0AFF00" encoded (hex pairs);
//   bit string    "1010", first bit first;
//   object id     "8:1234", type:instance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "encoding/byte_vector.hpp"

namespace encoding {

// n octets, each as two upper-case hex digits and a space.
std::u16string OctetStringText(const std::uint8_t* data, std::size_t n);

// n content octets: the unused-bits octet, then the bits. A count of unused
// bits larger than the bits present gives the empty text.
std::u16string BitStringText(const std::uint8_t* data, std::size_t n);

// Four content octets.
std::u16string ObjectIdentifierText(const std::uint8_t* content);

// Each appends an application-tagged value and returns 0, or 18 for a text
// that breaks its grammar, with nothing appended.
//
// Octet string: an even number of characters, each pair one base-16 number.
int TextToOctetString(ByteVector& out, std::u16string_view text);

// Bit string: "0" and "1" only; the empty text is a string of no bits.
int TextToBitString(ByteVector& out, std::u16string_view text);

// Object identifier: exactly two fields split at ":", each decimal digits
// only. Wider values are cut to the 10 type and 22 instance bits.
int TextToObjectIdentifier(ByteVector& out, std::u16string_view text);

}  // namespace encoding
