// weekly-schedule, seven BACnetDailySchedules, Monday first, as the seven
// day texts joined by "|"; a day without entries is the empty text.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class BACnetDailySchedulerArrayCoder final : public IPropertyCoder {
public:
    // All seven days or nothing: any day out of shape stores no text.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Exactly seven day texts.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
