// Object property references (with an optional array index and device), alone
// or as a list: "type,instance|property[|index][|devicetype,deviceinstance]",
// elements joined by ";". A device without index keeps an empty index field.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class ObjectPropertyReference : public IPropertyCoder {
public:
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Elements with fewer than 2 or more than 4 fields are left out.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
