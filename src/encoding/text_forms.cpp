#include "encoding/text_forms.hpp"

#include <charconv>
#include <cmath>
#include <limits>

namespace encoding {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f'; }

// Number texts are ASCII; anything else cannot be part of a number.
bool ToAscii(std::u16string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c == 0 || c > 0x7F) return false;
        out.push_back(static_cast<char>(c));
    }
    return true;
}

}  // namespace

std::vector<std::u16string_view> SplitText(std::u16string_view text, std::u16string_view delimiter) {
    std::vector<std::u16string_view> parts;
    if (delimiter.empty()) {
        parts.push_back(text);
        return parts;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(delimiter, start);
        if (at == std::u16string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + delimiter.size();
    }
}

std::optional<double> ReadWholeDouble(std::u16string_view text) {
    // Locale-independent: the host process may have set a decimal comma.
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && text[i] == u'+') ++i;
    std::string ascii;
    if (i == text.size() || !ToAscii(text.substr(i), ascii)) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size() || std::isinf(value) || std::isnan(value))
        return std::nullopt;
    return value;
}

std::optional<std::int32_t> ReadWholeNumber(std::u16string_view text) {
    const auto value = ReadWholeDouble(text);
    if (!value) return std::nullopt;
    // Truncation toward zero; values beyond 32 bits wrap as a host's conversion of the
    // truncated 64-bit integer would, instead of being undefined.
    const double truncated = std::trunc(*value);
    if (truncated >= -9.2e18 && truncated <= 9.2e18)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(truncated)));
    return std::numeric_limits<std::int32_t>::min();
}

std::int32_t ReadLeadingInteger(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            value = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + (negative ? 1 : 0);
            break;
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace encoding
