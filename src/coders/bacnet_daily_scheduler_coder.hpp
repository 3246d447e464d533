// One day of a weekly schedule, a list of BACnetTimeValue, as items joined by
// ";": "T,k,v" with k the value's application tag number in decimal and v
// its text: "8:0:0.0,4,21.5;17:0:0.0,0,NULL".
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class BACnetDailySchedulerCoder final : public IPropertyCoder {
public:
    // data points at the first time of the day. Nothing is stored unless
    // the day starts with an application Time; the closing tag of the day
    // is not counted.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // The empty text is one empty item and is refused: callers do not encode
    // an empty day through this coder.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
