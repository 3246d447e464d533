// A list of device object references: identifiers taken in pairs, written
// "devicetype:deviceinstance,objecttype:objectinstance", pairs joined by "|".
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class DeviceObjectReferenceListCoder : public IPropertyCoder {
public:
    // Stores nothing when an entry is not a four-octet identifier tagged 0
    // or 1, or the bytes end before the closing tag.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // The first identifier of an element goes out as the device [0], every
    // later one as the object [1]; the numbers are not range-checked.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
