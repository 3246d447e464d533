// exception-schedule, a list of BACnetSpecialEvent, as events joined by "|":
// period ";" time values ";" priority. The period is "D" or "D,D"; the time
// values are items "T/k:v" joined by ",", k being the value's application tag
// number; the priority is decimal: "24-12-2024;8:0:0.0/4:18;10".
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class ExceptionSchedulerCoder final : public IPropertyCoder {
public:
    // Only periods that are a date or a date range are read; any event out
    // of shape stores no text and leaves consumed at 0.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Lenient: bad dates become zero dates, malformed time-value items are
    // skipped, values that do not encode are left out. Only an event
    // without three fields is refused.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
