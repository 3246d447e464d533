// The event parameters of an event enrollment.
//
// Text: the event type code and its fields joined by "|". Only
// change-of-bitstring carries fields:
//   COB|timeDelay|bitmask|value;value;...
// with the bit texts as "0"/"1" characters. The codes COS, COV, CMF, FLL,
// OOR, CLS, EXT, BFR and USR are accepted without fields; a read of any of
// those event types gives the empty text.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class BACnetEventParametersCoder final : public IPropertyCoder {
public:
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
