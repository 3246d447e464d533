// event-time-stamps, three BACnetTimeStamps, as three items joined by ";":
// "0|T" (time), "1|n" (sequence number) or "2|D T" (date and time).
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class EventTimeStampsCoder final : public IPropertyCoder {
public:
    // Each item's content is read as application-tagged values between an
    // opening and a closing tag; the first item that does not look so ends
    // the text, which is stored as far as it got.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Exactly three items; time wildcards are refused.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
