#include "encoding/number_text.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace encoding {
namespace {

constexpr double kInt32Max = 2147483647.0;
constexpr double kInt32Min = -2147483648.0;
constexpr double kUint32Max = 4294967295.0;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The pieces of a text that passed the number grammar.
struct NumberShape {
    std::size_t start = 0;         // the sign, or the first digit or point
    int integerDigits = 0;         // digits before the point
    int firstSignificant = -1;     // index of the first nonzero digit among all digits
    long long exponent = 0;        // saturated, it only has to tell huge from tiny
};

bool ReadShape(std::u16string_view text, NumberShape& shape) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    shape.start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    int digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            if (text[i] != u'0' && shape.firstSignificant < 0) shape.firstSignificant = digits;
            ++digits;
            if (!point) ++shape.integerDigits;
        } else if (text[i] == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
        if (i == text.size() || !IsDigit(text[i])) return false;
        for (; i < text.size() && IsDigit(text[i]); ++i)
            if (shape.exponent < 100000) shape.exponent = shape.exponent * 10 + (text[i] - u'0');
        if (negative) shape.exponent = -shape.exponent;
    }
    return i == text.size();
}

}  // namespace

bool ParseRealNumber(std::u16string_view text, double& out) {
    NumberShape shape;
    if (!ReadShape(text, shape)) return false;
    // The grammar admits ASCII only; the conversion takes no "+" of its own.
    std::string ascii;
    for (std::size_t i = shape.start; i < text.size(); ++i)
        if (text[i] != u'+' || i != shape.start) ascii.push_back(static_cast<char>(text[i]));
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too large is refused; too small to be told from zero is zero.
        const long long order = shape.integerDigits - shape.firstSignificant - 1 + shape.exponent;
        if (order > 0) return false;
        value = ascii.front() == '-' ? -0.0 : 0.0;
    } else if (error != std::errc() || end != ascii.data() + ascii.size()) {
        return false;
    }
    if (!std::isfinite(value)) return false;
    out = value;
    return true;
}

bool TruncateToInt32(double value, std::int32_t& out) {
    if (std::isnan(value)) return false;
    const double truncated = std::trunc(value);
    if (truncated >= kInt32Max)
        out = std::numeric_limits<std::int32_t>::max();
    else if (truncated <= kInt32Min)
        out = std::numeric_limits<std::int32_t>::min();
    else
        out = static_cast<std::int32_t>(truncated);
    return true;
}

bool ParseNumber(std::u16string_view text, std::int32_t& out) {
    double value = 0;
    return ParseRealNumber(text, value) && TruncateToInt32(value, out);
}

bool ParseUnsignedNumber(std::u16string_view text, std::uint32_t& out) {
    double value = 0;
    if (!ParseRealNumber(text, value)) return false;
    const double truncated = std::trunc(value);
    if (truncated >= 0) {
        out = truncated >= kUint32Max ? std::numeric_limits<std::uint32_t>::max()
                                      : static_cast<std::uint32_t>(truncated);
        return true;
    }
    std::int32_t signedValue = 0;
    TruncateToInt32(truncated, signedValue);
    out = static_cast<std::uint32_t>(signedValue);
    return true;
}

void AppendDecimal(std::u16string& out, std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

}  // namespace encoding
