// A BACnetDateTime (date, then time) as "D T": "5-12-2023 13:5:0.0".
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class BACnetDateTimeCoder final : public IPropertyCoder {
public:
    // Whatever two application values stand first are shown, their datatypes
    // unexamined; an absent value (a closing tag first) gives the empty text.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Text only, with exactly one space between date and time; spaces at both
    // ends are ignored. Date wildcards pass, time wildcards do not.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
