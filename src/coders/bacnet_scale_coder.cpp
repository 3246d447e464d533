#include "coders/bacnet_scale_coder.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "coders/coder_text.hpp"
#include "coders/value_tags.hpp"
#include "encoding/host_value.hpp"
#include "encoding/text_forms.hpp"

namespace coders {
namespace {

using namespace value_tags;

constexpr std::uint8_t kFloatScale = 0;
constexpr std::uint32_t kIntegerScale = 1;
constexpr std::uint32_t kRealOctets = 4;

// "%f" of the single, independent of the process locale.
std::u16string SixDecimals(float value) {
    char digits[400];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, static_cast<double>(value), std::chars_format::fixed, 6);
    return std::u16string(digits, result.ptr);
}

// The value to send as a float scale; nothing when it is no finite number
// that a single can hold.
std::optional<float> FloatScale(const HostValue& value, std::u16string_view text) {
    std::optional<double> number;
    if (value.kind == encoding::kKindDouble) {
        number = encoding::GetDouble(value);
    } else {
        number = encoding::ReadWholeDouble(text);
    }
    if (!number || !std::isfinite(*number) || std::fabs(*number) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<float>(*number);
}

std::optional<std::int32_t> IntegerScale(const HostValue& value, std::u16string_view text) {
    if (value.kind == encoding::kKindNone || value.kind == encoding::kKindInteger) return encoding::GetInteger(value);
    const auto number = StrictNumber(text);
    if (!number) return std::nullopt;
    return static_cast<std::int32_t>(*number);
}

}  // namespace

void BACnetScaleCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t,
                              std::uint32_t& consumed) {
    std::u16string text;
    const auto tag = TagAt(data, length, 0);
    if (tag && tag->IsPrimitive()) {
        consumed = tag->End();
        if (tag->number != kFloatScale) {
            text = RawText(data, *tag);
        } else if (tag->length == kRealOctets) {
            text = SixDecimals(encoding::DecodeReal(data + tag->content));
        }
    }
    ::StoreText(&value, text.c_str());
}

std::uint32_t BACnetScaleCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    const std::u16string text = HostText(value);
    if (value.kind == encoding::kKindDouble || text.find(u'.') != text.npos) {
        const auto scale = FloatScale(value, text);
        if (!scale) return encoding::kStatusValueDoesNotFit;
        encoding::EncodeReal(out, *scale, encoding::MakeContextTag(kFloatScale, kRealOctets));
        return encoding::kStatusOk;
    }
    const auto scale = IntegerScale(value, text);
    if (!scale) return encoding::kStatusValueDoesNotFit;
    if (*scale < 0) {
        encoding::EncodeSigned(out, *scale, encoding::MakeContextTag(kIntegerScale, 4), true);
    } else {
        EncodeContextUnsigned(out, kIntegerScale, static_cast<std::uint32_t>(*scale));
    }
    return encoding::kStatusOk;
}

}  // namespace coders
