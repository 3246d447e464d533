// State and action texts: the character strings joined by "|", for example
// Off|On|Auto.
#pragma once

#include "coders/property_coder.hpp"

namespace coders {

class StateTextCoder : public IPropertyCoder {
public:
    // Each text is cut to 80 characters; at most 100 texts are shown. Stores
    // nothing when an element cannot be decoded or the closing tag is missing.
    void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                std::uint32_t& consumed) override;
    // Never fails: every piece, empty ones included, is one character string.
    std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) override;

    static constexpr std::int32_t kMaxElementCharacters = 80;
};

}  // namespace coders
