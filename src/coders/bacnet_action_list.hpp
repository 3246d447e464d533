// The action property of a command object: an array of action lists.
//
// Text: lists joined by "|", the commands of a list by ";", and the nine
// fields of a command by ",":
//   device,object,property,index,value,priority,postDelay,quitOnFailure,writeSuccessful
// object identifiers as type:instance, an absent optional field empty:
//   8:1,0:5,85,,72.5,8,,0,1;,0:6,85,,1,,,0,1
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class BACnetActionList final : public IPropertyCoder {
public:
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
