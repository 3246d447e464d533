// A list of Unsigned values as integers joined by "|", for example 1|3|7.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class ListUnsignedCoder : public IPropertyCoder {
public:
    // Stores nothing when an element cannot be decoded, the bytes end before
    // the closing tag, or the text would pass 80 characters.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Never fails: a piece that is not a number goes out as 0.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
