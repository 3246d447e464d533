#include "coders/property_coder.hpp"

namespace coders {

// The coder classes arrive with the constructed-value text forms; until then
// every property goes the primitive way.
IPropertyCoder* GetPropertyCoder(std::int32_t, std::int32_t) { return nullptr; }

// Property all needs the coders for its constructed members; until they exist
// it is refused as a value that cannot be encoded.
std::uint32_t EncodeAllProperties(encoding::ByteVector&, std::int32_t, std::int32_t) { return 18; }

}  // namespace coders
