#include "coders/coder_text.hpp"

#include <cmath>
#include <string>

#include "encoding/value_conversions.hpp"

namespace coders {

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
    return text;
}

std::optional<std::int64_t> StrictNumber(std::u16string_view piece) {
    const auto value = encoding::ReadWholeDouble(piece);
    if (!value) return std::nullopt;
    const double truncated = std::trunc(*value);
    if (!(truncated >= -9.2e18 && truncated <= 9.2e18)) return std::nullopt;
    return static_cast<std::int64_t>(truncated);
}

std::u16string SignedText(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string UnsignedText(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string HostText(const HostValue& value) { return encoding::ValueToText(value); }

}  // namespace coders
