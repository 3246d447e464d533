#include "tools/vorne/number_text.hpp"

#include <charconv>
#include <cfloat>
#include <cmath>

namespace vorne_tool {

std::string ShortestNumberText(double value) {
    char buffer[64];
    std::to_chars_result result{};
    if (std::isfinite(value) && std::fabs(value) <= FLT_MAX &&
        static_cast<double>(static_cast<float>(value)) == value)
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
    else
        result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace vorne_tool
