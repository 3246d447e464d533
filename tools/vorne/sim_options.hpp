// The `vorne sim` options that shape a site for commissioning tests: the
// device's name, a place behind a router, no segmentation, unreadable objects.
#pragma once

#include <string>

#include "sim/simulator.hpp"
#include "tools/vorne/options.hpp"

namespace vorne_tool {

// False with a message when --unreadable does not parse.
bool ApplySiteOptions(const CommonOptions& options, sim::SimOptions& simOptions, std::string& error);

}  // namespace vorne_tool
