#include "tools/vorne/sim_options.hpp"

#include <cstdlib>
#include <sstream>

#include "sim/ids.hpp"

namespace vorne_tool {

bool ApplySiteOptions(const CommonOptions& options, sim::SimOptions& simOptions, std::string& error) {
    if (!options.simName.empty()) simOptions.name = options.simName;
    simOptions.network = options.simNetwork;
    simOptions.mac = options.simMac;
    simOptions.segmentation = !options.simNoSegmentation;
    std::stringstream list(options.simUnreadable);
    for (std::string item; std::getline(list, item, ',');) {
        const auto colon = item.find(':');
        const auto type = sim::ObjectTypeFromName(item.substr(0, colon));
        char* end = nullptr;
        const std::string instance = colon == std::string::npos ? std::string() : item.substr(colon + 1);
        const unsigned long number = std::strtoul(instance.c_str(), &end, 10);
        if (!type || instance.empty() || *end != '\0' || number > 4194302)
            return error = "--unreadable: expected TYPE:INSTANCE, not '" + item + "'", false;
        simOptions.unreadableObjects.push_back({*type, static_cast<std::uint32_t>(number)});
    }
    return true;
}

}  // namespace vorne_tool
