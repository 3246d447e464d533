#include "coders/bacnet_prescale_coder.hpp"

#include <cmath>
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

// A whole number read at single precision, within what 32 bits hold either
// way (negative values go out as four-octet two's complement).
std::optional<std::int64_t> WholeSingle(std::u16string_view piece) {
    const auto read = encoding::ReadWholeDouble(piece);
    if (!read || !(*read > -3e9 && *read < 5e9)) return std::nullopt;
    const auto single = static_cast<float>(*read);
    if (std::trunc(single) != single || single < -2147483648.0f || single >= 4294967296.0f) return std::nullopt;
    return static_cast<std::int64_t>(single);
}

void EncodeField(encoding::ByteVector& out, std::uint32_t tagNumber, std::int64_t number) {
    if (number >= 0) {
        EncodeContextUnsigned(out, tagNumber, static_cast<std::uint32_t>(number));
        return;
    }
    encoding::EncodeSigned(out, static_cast<std::int32_t>(number), encoding::MakeContextTag(tagNumber, 4), true);
}

}  // namespace

void BACnetPrescaleCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t,
                                 std::uint32_t& consumed) {
    std::u16string text;
    std::uint32_t offset = 0;
    const auto multiplier = TagAt(data, length, offset);
    if (multiplier && multiplier->IsPrimitive()) {
        offset = multiplier->End();
        text = RawText(data, *multiplier);
        const auto modulo = TagAt(data, length, offset);
        if (modulo && modulo->IsPrimitive()) {
            offset = modulo->End();
            text += u';' + RawText(data, *modulo);
        }
    }
    consumed = offset;
    ::StoreText(&value, text.c_str());
}

std::uint32_t BACnetPrescaleCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    if (value.kind != encoding::kKindText) return encoding::kStatusValueDoesNotFit;
    const std::u16string text = HostText(value);
    const auto pieces = SplitText(text, u";");
    if (pieces.size() != 2) return encoding::kStatusValueDoesNotFit;
    const auto multiplier = WholeSingle(pieces[0]);
    const auto modulo = WholeSingle(pieces[1]);
    if (!multiplier || !modulo) return encoding::kStatusValueDoesNotFit;
    EncodeField(out, 0, *multiplier);
    EncodeField(out, 1, *modulo);
    return encoding::kStatusOk;
}

}  // namespace coders
