// The schedule default: one primitive value of any datatype.
//
// Text: the application tag number, ":", the value in its host text form:
// 4:21.5, 0:NULL, 11:12:30:0.0 (a time), 12:8:1234 (an object identifier).
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class BACnetAnyCoder final : public IPropertyCoder {
public:
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // The datatype is read leniently (leading digits, none giving Null); the
    // value text is everything behind the first ":".
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
