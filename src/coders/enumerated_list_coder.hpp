// A list of Enumerated values as integers joined by "|", for example 0|1|3.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class EnumeratedListCoder : public IPropertyCoder {
public:
    // As the list of Unsigned values: nothing stored on a bad element, a
    // missing closing tag or a text longer than 80 characters.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Never fails: a piece that is not a number goes out as 0.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
