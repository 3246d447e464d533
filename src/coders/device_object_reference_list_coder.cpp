#include "coders/device_object_reference_list_coder.hpp"

#include "coders/coder_text.hpp"
#include "coders/reference_text.hpp"

namespace coders {

using namespace reference_text;

namespace {

constexpr std::uint32_t kIdentifierOctets = 4;
constexpr std::uint8_t kListOpeningTag = 3;

}  // namespace

void DeviceObjectReferenceListCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                            std::int32_t, std::uint32_t& consumed) {
    if (data == nullptr || length == 0) return;
    std::uint32_t offset = 0;
    const auto first = PeekTag(data, length, 0);
    if (first->lvt == encoding::kLvtOpening && first->tagNumber == kListOpeningTag) offset = 1;
    std::u16string text;
    std::uint32_t count = 0;
    for (;;) {
        const auto tag = PeekTag(data, length, offset);
        if (!tag) return;
        if (tag->lvt == encoding::kLvtClosing) break;
        if ((tag->tagNumber != 0 && tag->tagNumber != 1) || tag->lvt != kIdentifierOctets) return;
        if (std::uint64_t{offset} + 1 + kIdentifierOctets > length) return;
        const ObjectId id = SplitObjectId(encoding::DecodeUnsigned(data + offset + 1, kIdentifierOctets));
        // Pairs are formed by position; the tag numbers are not matched.
        const bool firstOfPair = count % 2 == 0;
        if (firstOfPair && count > 0) text += u'|';
        AppendSigned(text, static_cast<std::int32_t>(id.type));
        text += u':';
        AppendSigned(text, static_cast<std::int32_t>(id.instance));
        if (firstOfPair) text += u',';
        ++count;
        offset += 1 + kIdentifierOctets;
    }
    consumed = offset;
    Store(value, text);
}

std::uint32_t DeviceObjectReferenceListCoder::Encode(encoding::ByteVector& out, const HostValue& value,
                                                     std::int32_t) {
    if (!IsTextValue(value)) return kGrammarError;
    const std::u16string whole = HostText(value);
    const std::u16string_view text = Trim(whole);
    if (text.empty()) return kGrammarError;
    for (const auto element : SplitText(text, u"|")) {
        std::uint32_t tagNumber = 0;
        for (const auto part : SplitText(element, u",")) {
            // A part without exactly one ":" is refused like any other bad number.
            const auto pieces = SplitText(part, u":");
            if (pieces.size() != 2) return kGrammarError;
            const auto type = StrictUnsigned(pieces[0]);
            const auto instance = StrictUnsigned(pieces[1]);
            if (!type || !instance) return kGrammarError;
            encoding::EncodeObjectIdentifierWithTag(out, *type, *instance,
                                                    encoding::MakeContextTag(tagNumber, kIdentifierOctets));
            tagNumber = 1;
        }
    }
    return encoding::kStatusOk;
}

}  // namespace coders
