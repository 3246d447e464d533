// A setpoint reference: one object property reference inside context tag 0,
// written as one element of the reference text (no list).
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class SetpointReferenceCoder : public IPropertyCoder {
public:
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Only a stored text (kind 3) is accepted.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
