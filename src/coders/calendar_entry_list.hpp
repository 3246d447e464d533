// date-list, a list of BACnetCalendarEntry, as entries joined by "|": a date
// "D", a date range "D,D", or a weekNDay "M#W#N" (month, week of month, day
// of week, each in upper-case hexadecimal: "FF#FF#1" is every Monday).
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class CalendarEntryList final : public IPropertyCoder {
public:
    // A date range out of shape, or bytes that run out, store no text.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Text only; entries are trimmed and empty ones skipped.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
