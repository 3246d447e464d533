#include "encoding/value_conversions.hpp"

#include <charconv>
#include <cmath>
#include <string_view>

#include "encoding/host_value.hpp"
#include "encoding/number_text.hpp"
#include "encoding/tags.hpp"

namespace encoding {
namespace {

// Capacities, terminating NUL included, of the text buffers the host's
// values are fetched into: a text is cut to one character less.
constexpr std::int32_t kTextCapacity = 1025;
constexpr std::int32_t kNumberTextCapacity = 1024;
// "%f" wrote into a buffer of this size; larger numbers are cut.
constexpr std::size_t kRealTextCapacity = 80;

std::u16string FetchedText(const HostValue& value, std::int32_t capacity) {
    std::u16string buffer(static_cast<std::size_t>(capacity), u'\0');
    ::FetchText(&value, buffer.data(), capacity);
    buffer.resize(std::u16string_view(buffer.c_str()).size());
    return buffer;
}

std::u16string RealText(double value) {
    // Locale-independent "%f": the host process may have chosen a decimal comma.
    char digits[400];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
    std::string_view text(digits, static_cast<std::size_t>(result.ptr - digits));
    if (text.size() > kRealTextCapacity - 1) text = text.substr(0, kRealTextCapacity - 1);
    if (text.find('.') != std::string_view::npos) {
        while (text.back() == '0') text.remove_suffix(1);
        if (text.back() == '.') text.remove_suffix(1);
    }
    return std::u16string(text.begin(), text.end());
}

}  // namespace

std::u16string ValueToText(const HostValue& value) {
    switch (value.kind) {
    case kKindNone:
    case kKindInteger: {
        std::u16string text;
        AppendDecimal(text, GetInteger(value));
        return text;
    }
    case kKindDouble:
        return RealText(GetDouble(value));
    case kKindText:
    case kKindAssignedText:
        return FetchedText(value, kTextCapacity);
    default:
        return std::u16string();
    }
}

int ValueToDouble(const HostValue& value, double& out) {
    switch (value.kind) {
    case kKindNone:
    case kKindInteger:
        out = GetInteger(value);
        return kStatusOk;
    case kKindDouble:
        out = GetDouble(value);
        return kStatusOk;
    case kKindText:
    case kKindAssignedText:
        return ParseRealNumber(FetchedText(value, kNumberTextCapacity), out) ? kStatusOk : kStatusValueDoesNotFit;
    default:
        return kStatusValueDoesNotFit;
    }
}

namespace {

// A number of the 32-bit range: truncated toward zero, saturating at the
// signed bounds, except that with unsignedRange the numbers 2^31..2^32 - 1
// (which a device's Unsigned may hold) are taken exactly.
bool TruncateToRange(double number, bool unsignedRange, std::uint32_t& out) {
    constexpr double kTwoTo31 = 2147483648.0, kTwoTo32 = 4294967296.0;
    const double truncated = std::trunc(number);
    if (unsignedRange && truncated >= kTwoTo31 && truncated < kTwoTo32) {
        out = static_cast<std::uint32_t>(truncated);
        return true;
    }
    std::int32_t signedNumber = 0;
    if (!TruncateToInt32(number, signedNumber)) return false;
    out = static_cast<std::uint32_t>(signedNumber);
    return true;
}

}  // namespace

int ValueToInteger(const HostValue& value, bool unsignedRange, std::uint32_t& out) {
    double number = 0;
    switch (value.kind) {
    case kKindNone:
    case kKindInteger:
        out = static_cast<std::uint32_t>(GetInteger(value));
        return kStatusOk;
    case kKindDouble:
        number = GetDouble(value);
        break;
    case kKindText:
    case kKindAssignedText:
        if (!ParseRealNumber(FetchedText(value, kNumberTextCapacity), number)) return kStatusValueDoesNotFit;
        break;
    default:
        return kStatusValueDoesNotFit;
    }
    return TruncateToRange(number, unsignedRange, out) ? kStatusOk : kStatusValueDoesNotFit;
}

int ValueToUnsigned(const HostValue& value, std::uint32_t& out) { return ValueToInteger(value, true, out); }

int ValueToBoolean(const HostValue& value, bool& out) {
    std::uint32_t number = 0;
    const int status = ValueToUnsigned(value, number);
    if (status == kStatusOk) out = number != 0;
    return status;
}

}  // namespace encoding
