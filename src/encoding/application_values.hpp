// One application-tagged primitive value between the wire and a host value:
// numbers stay numbers, everything else becomes a text of a fixed form
// (see date_time_text.hpp and primitive_text.hpp), and writes parse those
// texts back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "encoding/byte_vector.hpp"
#include "encoding/local_values.hpp"
#include "encoding/value_conversions.hpp"
#include "tagcore.h"

namespace encoding {

// data points at an application tag byte; consumed receives the bytes used,
// tag byte included. Fails (leaving value and consumed alone) only for an
// empty input, a tag number above 12, or a fixed-size value longer than the
// bytes left. Strings whose length runs past the input never fail: they give
// an empty text and a consumed count that stops behind the length octets, so
// that the caller's check of what follows rejects the message. Only the
// available bytes are ever read.
bool DecodeApplicationValue(const std::uint8_t* data, std::size_t available, HostValue& value,
                            std::size_t& consumed);

// Appends value as the application-tagged primitive of datatype (0..12).
// 0, or 18 when the value does not fit the datatype or its text grammar, or
// for an unknown datatype; callers discard out on 18.
int EncodeApplicationValue(ByteVector& out, const HostValue& value, std::int32_t datatype);

}  // namespace encoding
