// Objects of each supported type with the properties a device of that type
// has, filled with plain starting values; the default object set and object
// files start from these.
#pragma once

#include <cstdint>
#include <string>

#include "sim/object_model.hpp"

namespace sim {

Object MakeStandardObject(ObjectId id, const std::string& name);
Object MakeDeviceObject(std::uint32_t instance, const std::string& name);

// Shorthands for filling objects.
void Set(Object& object, std::uint32_t property, Value value);
void SetArray(Object& object, std::uint32_t property, std::vector<Value> values);

}  // namespace sim
