// Property coders turn constructed property values into one line of host text
// and back. Each coder class has one shared instance.
#pragma once

#include <cstdint>

#include "encoding/byte_vector.hpp"
#include "tagcore.h"

namespace coders {

class IPropertyCoder {
public:
    virtual ~IPropertyCoder() = default;
    // data: the first byte of the value (behind the enclosing opening tag);
    // consumed: set to 0 by the caller, on return the bytes of the value.
    virtual void Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t closingTag,
                        std::uint32_t& consumed) = 0;
    // Appends the value parsed from the host text: 0, or 18 for text that breaks the grammar.
    virtual std::uint32_t Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t arrayIndex) = 0;
};

// The one shared instance of a coder class, made on first use.
template <typename Coder>
Coder& SharedCoder() {
    static Coder instance;
    return instance;
}

// The shared coder for a property, or null for primitive properties.
IPropertyCoder* GetPropertyCoder(std::int32_t property, std::int32_t objectType);

// All properties of a local object, as the value of property all (8).
std::uint32_t EncodeAllProperties(encoding::ByteVector& out, std::int32_t objectType, std::int32_t instance);

// The error code sent for a local value that does not encode.
inline constexpr std::uint32_t kErrorCodeOther = 0;

// propertyAccessError [5] of a ReadPropertyMultiple result: class property and the code.
void AppendPropertyAccessError(encoding::ByteVector& out, std::uint32_t errorCode);

// A ReadPropertyMultiple result's value for a local property: propertyValue
// [4] around the encoded value, or, when the value does not encode, that
// property's error (class property, code other) and nothing of the value.
// 0, or the encoder's status.
std::uint32_t AppendLocalResultValue(encoding::ByteVector& out, const HostValue& value, std::int32_t objectType,
                                     std::int32_t property);

// One property value of a local object: its coder, else the primitive encoder.
std::uint32_t EncodeLocalProperty(encoding::ByteVector& out, const HostValue& value, std::int32_t objectType,
                                  std::int32_t property);

}  // namespace coders
