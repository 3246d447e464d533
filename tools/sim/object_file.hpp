// Object files: the simulator's objects as text, one object per line (the
// format is described in README.md).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sim/object_model.hpp"

namespace sim {

// Fills db with the device (instance and name given) and the objects the
// text describes. False with "line N: message" on the first fault.
bool LoadObjectText(std::string_view text, std::uint32_t deviceInstance, const std::string& deviceName,
                    ObjectDatabase& db, std::string& error);

bool LoadObjectFile(const std::string& path, std::uint32_t deviceInstance, const std::string& deviceName,
                    ObjectDatabase& db, std::string& error);

}  // namespace sim
