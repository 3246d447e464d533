// The value of one property in a device's answer, as ReadProperty and
// ReadPropertyMultiple acknowledgements carry it between their tags.
#pragma once

#include <cstddef>
#include <cstdint>

#include "encoding/application_values.hpp"
#include "tagcore.h"

namespace APDUServices {

// The status a scan gets when a number of the answer is beyond what a host
// number holds exactly; the line gets no value.
inline constexpr std::int32_t kStatusBeyondExactRange = 19;

// Decodes the value behind the opening tag: with the property's coder when it
// has one (consumed may then be 0, and the caller's closing-tag test decides),
// else as one primitive value. consumed is 0 unless something was decoded.
encoding::ValueDecode DecodeAnswerValue(std::int32_t objectType, std::int32_t property, const std::uint8_t* data,
                                        std::size_t length, std::int32_t closingTag, HostValue& value,
                                        std::size_t& consumed);

// The log line for a number that is not delivered; value holds its decimal text.
void TraceBeyondExactRange(const HostValue& value);

}  // namespace APDUServices
