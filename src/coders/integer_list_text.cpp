#include "coders/integer_list_text.hpp"

#include <vector>

#include "coders/coder_text.hpp"
#include "coders/reference_text.hpp"
#include "encoding/host_value.hpp"
#include "encoding/number_text.hpp"
#include "encoding/tags.hpp"
#include "encoding/value_conversions.hpp"

namespace coders::integer_list_text {
namespace {

std::int32_t ElementInteger(const HostValue& element) {
    switch (element.kind) {
    case encoding::kKindDouble: {
        std::int32_t truncated = 0;
        encoding::TruncateToInt32(encoding::GetDouble(element), truncated);
        return truncated;
    }
    case encoding::kKindText:
    case encoding::kKindAssignedText: {
        // A text that is no number (a date, NULL, ...) shows as 0.
        const auto number = StrictNumber(encoding::ValueToText(element));
        return number ? static_cast<std::int32_t>(*number) : 0;
    }
    default:
        return encoding::GetInteger(element);
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
        encoding::AppendDecimal(text, ElementInteger(elements[i]));
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
