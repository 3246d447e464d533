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

// One property value of a local object: its coder, else the primitive encoder.
std::uint32_t EncodeLocalProperty(encoding::ByteVector& out, const HostValue& value, std::int32_t objectType,
                                  std::int32_t property);

}  // namespace coders
