#include "coders/integer_list_text.hpp"

#include <cmath>
#include <string_view>
#include <vector>

#include "coders/coder_text.hpp"
#include "coders/reference_text.hpp"
#include "encoding/host_value.hpp"
#include "encoding/number_text.hpp"
#include "encoding/tags.hpp"
#include "encoding/value_conversions.hpp"

namespace coders::integer_list_text {
namespace {

// Beyond this a double is shown saturated, as before wide integers existed.
constexpr double kExactBound = 9007199254740992.0;  // 2^53

// Decimal digits, with a "-" in front or not: how an integer too wide for a
// host number comes out of the value decoder.
bool IsIntegerText(std::u16string_view text) {
    if (!text.empty() && text.front() == u'-') text.remove_prefix(1);
    return !text.empty() && text.find_first_not_of(u"0123456789") == std::u16string_view::npos;
}

void AppendElement(std::u16string& text, const HostValue& element) {
    switch (element.kind) {
    case encoding::kKindDouble: {
        // Wide integers arrive as doubles and show exactly; reals are truncated.
        const double number = std::trunc(encoding::GetDouble(element));
        if (std::fabs(number) < kExactBound) {
            encoding::AppendDecimal(text, static_cast<std::int64_t>(number));
        } else {
            std::int32_t truncated = 0;
            encoding::TruncateToInt32(number, truncated);
            encoding::AppendDecimal(text, truncated);
        }
        return;
    }
    case encoding::kKindText:
    case encoding::kKindAssignedText: {
        const std::u16string digits = encoding::ValueToText(element);
        if (IsIntegerText(digits)) {
            text += digits;
            return;
        }
        // A text that is no number (a date, NULL, ...) shows as 0.
        const auto number = StrictNumber(digits);
        encoding::AppendDecimal(text, number ? static_cast<std::int32_t>(*number) : 0);
        return;
    }
    default:
        encoding::AppendDecimal(text, encoding::GetInteger(element));
    }
}

}  // namespace

void DecodeIntegerList(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::uint32_t& consumed) {
    std::vector<HostValue> elements;
    std::uint32_t closing = 0;
    if (!reference_text::DecodeValueList(data, length, elements, closing)) return;
    std::u16string text;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i > 0) text += u'|';
        AppendElement(text, elements[i]);
        if (text.size() > kMaxTextCharacters) return;
    }
    consumed = closing;
    reference_text::Store(value, text);
}

void EncodeIntegerList(encoding::ByteVector& out, const HostValue& value, std::uint8_t applicationTag) {
    const std::u16string text = HostText(value);
    for (const auto piece : SplitText(text, u"|")) {
        const auto number = StrictNumber(piece);
        const auto n = number ? static_cast<std::uint32_t>(*number) : 0u;
        encoding::EncodeUnsignedWithTag(out, n,
                                        encoding::MakeApplicationTag(applicationTag, encoding::UnsignedOctetCount(n)));
    }
}

}  // namespace coders::integer_list_text
