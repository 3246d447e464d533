// effective-period, a BACnetDateRange, as "D|D": "1-1-2024|31-12-2024".
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class EffectivePeriodCoder final : public IPropertyCoder {
public:
    // The text is stored only when both values are there.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;
};

}  // namespace coders
