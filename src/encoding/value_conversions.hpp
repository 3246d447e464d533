// A host value read as text, number or Boolean, whatever its kind: the
// property coders and the encoders take their input through these.
#pragma once

#include <cstdint>
#include <string>

#include "tagcore.h"

namespace encoding {

// Integers (kinds 0 and 1) as "%d"; doubles in fixed notation with six
// decimals, trailing zeros and a trailing point removed (2.5, 3, 0.000001);
// texts as stored, up to 1,024 characters; any other kind the empty text.
std::u16string ValueToText(const HostValue& value);

// Integers as signed, doubles as they are, texts read as a whole finite
// number. 0, or 18 for a text that is no number or an unknown kind.
int ValueToDouble(const HostValue& value, double& out);

// Integers unchanged (a negative one as its two's complement); doubles and
// number texts truncated toward zero to signed 32 bits, saturating, except
// that with unsignedRange 2^31..2^32 - 1 are kept exactly (a device's
// Unsigned read as a double is written back as it was). 0, or 18 for a text
// that is no number, NaN or an unknown kind.
int ValueToInteger(const HostValue& value, bool unsignedRange, std::uint32_t& out);

// ValueToInteger in the unsigned range.
int ValueToUnsigned(const HostValue& value, std::uint32_t& out);

// ValueToUnsigned, true when nonzero.
int ValueToBoolean(const HostValue& value, bool& out);

}  // namespace encoding
