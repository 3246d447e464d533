#include "coders/group_member_list_coder.hpp"

#include "coders/coder_text.hpp"
#include "coders/reference_text.hpp"

namespace coders {

using namespace reference_text;

namespace {

constexpr std::uint8_t kIndexTag = 1;

// The property references up to and behind the closing tag of the list.
bool DecodePropertyReferences(const std::uint8_t* data, std::uint32_t length, std::uint32_t& offset,
                              std::u16string& text) {
    bool first = true;
    for (;;) {
        const auto tag = ReadTag(data, length, offset);
        if (!tag) return false;
        if (tag->closing) {
            offset = tag->end;
            return true;
        }
        text += first ? u'-' : u',';
        first = false;
        AppendUnsigned(text, TagValue(data, *tag));
        offset = tag->end;
        const auto next = PeekTag(data, length, offset);
        if (next && next->tagNumber == kIndexTag && next->lvt != encoding::kLvtClosing) {
            const auto index = ReadTag(data, length, offset);
            if (!index) return false;
            text += u':';
            AppendUnsigned(text, TagValue(data, *index));
            offset = index->end;
        }
    }
}

std::uint32_t WritePropertyReferences(encoding::ByteVector& out, std::u16string_view details) {
    for (const auto rawReference : SplitText(details, u",")) {
        const std::u16string_view reference = Trim(rawReference);
        if (reference.empty()) return kGrammarError;
        const auto pieces = SplitText(reference, u":");
        if (pieces.size() > 2) return kGrammarError;
        const auto property = StrictUnsigned(Trim(pieces[0]));
        if (!property) return kGrammarError;
        WriteContextUnsigned(out, 0, *property);
        if (pieces.size() == 2) {
            const auto index = StrictUnsigned(Trim(pieces[1]));
            if (!index) return kGrammarError;
            WriteContextUnsigned(out, 1, *index);
        }
    }
    return encoding::kStatusOk;
}

}  // namespace

void BACnetReadAccessSpecificationCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                                std::int32_t closingTag, std::uint32_t& consumed) {
    std::u16string text;
    std::uint32_t offset = 0;
    bool first = true;
    for (;;) {
        const auto start = PeekTag(data, length, offset);
        if (!start || start->lvt == encoding::kLvtClosing || start->tagNumber == closingTag) break;
        if (!first) text += u'|';
        first = false;
        const auto object = ReadTag(data, length, offset);
        if (!object) break;
        AppendObjectId(text, SplitObjectId(TagValue(data, *object)), u':');
        offset = object->end;
        const auto list = PeekTag(data, length, offset);
        if (list && list->lvt == encoding::kLvtOpening) {
            ++offset;
            if (!DecodePropertyReferences(data, length, offset, text)) break;
        }
    }
    consumed = offset;
    Store(value, text);
}

std::uint32_t BACnetReadAccessSpecificationCoder::Encode(encoding::ByteVector& out, const HostValue& value,
                                                         std::int32_t) {
    return EncodeAccessEntries(out, value, WritePropertyReferences);
}

}  // namespace coders
