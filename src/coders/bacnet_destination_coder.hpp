// The recipient list of a notification class: a list of destinations.
//
// Text: destinations joined by ";", the six fields of one by "|":
//   validDays|fromTime toTime|recipient|processId|confirmed|transitions
// days and transitions as "0"/"1" bit texts, times as hour:minute:second.hundredths,
// the recipient as 0,type,instance (a device) or 1,network,MAC (an address):
//   1111100|8:0:0.0 17:0:0.0|0,8,1001|3|1|111
// An empty recipient field stands for a destination without recipient.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class BACnetDestinationCoder final : public IPropertyCoder {
public:
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
