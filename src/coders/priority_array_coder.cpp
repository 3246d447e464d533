#include "coders/priority_array_coder.hpp"

#include <cmath>
#include <string>

#include "coders/coder_text.hpp"
#include "coders/reference_text.hpp"
#include "encoding/application_values.hpp"
#include "encoding/tags.hpp"
#include "encoding/text_forms.hpp"
#include "encoding/value_conversions.hpp"

namespace coders {
namespace {

constexpr std::size_t kPrioritySlots = 3;
constexpr std::size_t kPriorityArraySlots = 16;

std::int32_t PieceDatatype(std::u16string_view piece) {
    // Only the exact upper-case word is an empty slot; "null" is a text.
    if (piece == u"NULL") return encoding::kTagNull;
    const auto number = encoding::ReadWholeDouble(piece);
    if (!number) return encoding::kTagCharacterString;
    if (std::trunc(*number) != *number) return encoding::kTagReal;
    if (*number == 0 || *number == 1) return encoding::kTagEnumerated;
    return encoding::kTagUnsigned;
}

}  // namespace

void PriorityArrayCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                std::int32_t closingTag, std::uint32_t& consumed) {
    if (data == nullptr || length == 0) return;
    std::u16string text;
    bool first = true;
    while (consumed < length) {
        const auto tag = encoding::SplitTagByte(data[consumed]);
        if (tag.lvt == encoding::kLvtClosing && tag.tagNumber == closingTag) break;
        // A string whose length runs past the bytes is as broken as any other value.
        if (!reference_text::ReadTag(data, length, consumed)) return;
        HostValue slot{};
        std::size_t used = 0;
        if (!encoding::DecodeApplicationValue(data + consumed, length - consumed, slot, used)) return;
        if (!first) text += u'|';
        first = false;
        text += encoding::ValueToText(slot);
        consumed += static_cast<std::uint32_t>(used);
    }
    reference_text::Store(value, text);
}

std::uint32_t PriorityArrayCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    const std::u16string text = HostText(value);
    const auto pieces = SplitText(text, u"|");
    const std::size_t slots = property_ == kPriority ? kPrioritySlots : kPriorityArraySlots;
    if (pieces.size() != slots) return reference_text::kGrammarError;
    for (const auto piece : pieces) {
        HostValue slot{};
        ::AssignText(&slot, std::u16string(piece).c_str());
        if (const int status = encoding::EncodeApplicationValue(out, slot, PieceDatatype(piece)))
            return static_cast<std::uint32_t>(status);
    }
    return encoding::kStatusOk;
}

}  // namespace coders
