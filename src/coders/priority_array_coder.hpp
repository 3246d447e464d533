// The priority array (16 slots) and the priority (3 slots): the values joined
// by "|", "NULL" for an empty slot, for example NULL|NULL|...|72.5|NULL.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class PriorityArrayCoder : public IPropertyCoder {
public:
    static constexpr std::int32_t kPriority = 86;
    static constexpr std::int32_t kPriorityArray = 87;

    // Stores nothing when a value cannot be decoded; any number of values is
    // shown.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Exactly 3 pieces after selecting the priority, else exactly 16. Each
    // piece picks its own datatype: NULL, Real for a fraction, Enumerated
    // for 0 and 1, Unsigned for other integers, else a character string.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;

    // The property the shared instance was last selected for; the slot count
    // of Encode follows it.
    void SelectProperty(std::int32_t property) { property_ = property; }
    std::int32_t SelectedProperty() const { return property_; }

private:
    std::int32_t property_ = kPriorityArray;
};

}  // namespace coders
