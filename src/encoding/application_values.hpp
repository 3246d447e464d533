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

// What became of one primitive value on the wire.
enum class ValueDecode {
    kValue,             // the value is in the host record
    kMalformed,         // not a primitive value, or longer than the input
    kBeyondExactRange,  // an integer no host number holds exactly; the record holds its decimal text
};

// data points at an application tag byte; consumed receives the bytes used,
// tag byte included, unless the result is kMalformed (then value and consumed
// are left alone). Malformed: an empty input, a context tag, a tag number
// above 12, an opening or closing length field, a length field that breaks
// a fixed size (Null, Boolean, Real, Double, Date, Time, object identifier),
// an integer wider than eight octets, or any value (strings included) longer
// than the bytes left.
// Unsigned and Enumerated up to 2^31 - 1 and Signed within 32 bits are
// integers; beyond that, up to a magnitude of 2^53, doubles. Only the
// available bytes are ever read. This is how a primitive property value of
// an answer is read.
ValueDecode DecodePrimitiveValue(const std::uint8_t* data, std::size_t available, HostValue& value,
                                 std::size_t& consumed);

// The elements of constructed values, as the property coders read them: the
// class bit is not looked at, a string whose length runs past the input gives
// an empty text and a consumed count that stops behind its length octets (the
// coder's check of what follows rejects it), and an integer beyond the exact
// range is as good as any other (its decimal text). False only for an empty
// input, a tag number above 12, an integer wider than eight octets or a
// fixed-size value longer than the bytes left.
bool DecodeApplicationValue(const std::uint8_t* data, std::size_t available, HostValue& value,
                            std::size_t& consumed);

// Appends value as the application-tagged primitive of datatype (0..12).
// 0, or 18 when the value does not fit the datatype or its text grammar, or
// for an unknown datatype; callers discard out on 18.
int EncodeApplicationValue(ByteVector& out, const HostValue& value, std::int32_t datatype);

}  // namespace encoding
