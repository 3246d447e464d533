// The object list: "(type:instance)" per object, written one after another,
// for example (8:1000)(0:1)(0:2). Long lists arrive segmented.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class ObjectListCoder : public IPropertyCoder {
public:
    // The text keeps at most kMaxTextCharacters characters: objects that would
    // pass it are left out of the text, though their bytes are still consumed.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Text outside the brackets is ignored; a text without any "(" is refused.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;

    static constexpr std::size_t kMaxTextCharacters = 9999;
};

}  // namespace coders
