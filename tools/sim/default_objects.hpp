// The object set a simulator starts with when no object file is given: a
// small building (temperatures, fans, valves, a schedule, holidays, an alarm
// class), one object per primitive datatype, and enough values that the
// object-list only fits in a segmented answer.
#pragma once

#include <cstdint>
#include <string>

#include "sim/object_model.hpp"

namespace sim {

inline constexpr std::uint32_t kDefaultAnalogValueCount = 300;

void AddDefaultObjects(ObjectDatabase& db, std::uint32_t deviceInstance, const std::string& deviceName);

}  // namespace sim
