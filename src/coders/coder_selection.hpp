// The coder class chosen for a property, as a fresh local instance: what the
// local object's all-properties answer encodes with, so that the shared
// instances (and the priority coder's selected property) stay untouched.
#pragma once

#include <cstdint>
#include <memory>

#include "coders/property_coder.hpp"

namespace coders {

// The same choice as GetPropertyCoder, or null where it gives none.
std::unique_ptr<IPropertyCoder> MakeLocalCoder(std::int32_t property, std::int32_t objectType);

}  // namespace coders
