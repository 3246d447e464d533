#include "coders/object_property_reference.hpp"

#include "coders/coder_text.hpp"
#include "coders/reference_text.hpp"

namespace coders {

using namespace reference_text;

void ObjectPropertyReference::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                     std::int32_t closingTag, std::uint32_t& consumed) {
    std::u16string text;
    std::uint32_t offset = 0;
    bool first = true;
    for (;;) {
        const auto tag = PeekTag(data, length, offset);
        if (!tag || tag->lvt == encoding::kLvtClosing || tag->tagNumber == closingTag) break;
        if (!first) text += u';';
        first = false;
        if (!DecodeReferenceElement(data, length, offset, text)) break;
    }
    consumed = offset;
    Store(value, text);
}

std::uint32_t ObjectPropertyReference::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    if (!IsTextValue(value)) return kGrammarError;
    const std::u16string whole = HostText(value);
    const std::u16string_view text = Trim(whole);
    if (text.empty()) return kGrammarError;
    for (const auto element : SplitText(text, u";")) {
        const auto fields = SplitText(element, u"|");
        if (fields.size() < 2 || fields.size() > 4) continue;
        if (const std::uint32_t status = EncodeReferenceFields(out, fields)) return status;
    }
    return encoding::kStatusOk;
}

}  // namespace coders
