#include "tools/vorne/number_text.hpp"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vorne_tool {

std::string NumberText(double value) {
    char buffer[64];
    if (std::isfinite(value) && std::fabs(value) <= FLT_MAX &&
        static_cast<double>(static_cast<float>(value)) == value) {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
        return std::string(buffer, result.ptr);
    }
    std::snprintf(buffer, sizeof buffer, "%.9g", value);
    return buffer;
}

}  // namespace vorne_tool
