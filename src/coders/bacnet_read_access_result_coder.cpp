#include "coders/bacnet_read_access_result_coder.hpp"

#include "coders/coder_text.hpp"
#include "coders/reference_text.hpp"
#include "encoding/primitive_text.hpp"

namespace coders {

using namespace reference_text;

namespace {

constexpr std::uint8_t kIndexTag = 3;
constexpr std::uint8_t kValueTag = 4;
constexpr std::uint8_t kErrorTag = 5;
constexpr int kErrorNumbers = 2;  // error class, error code

// Behind the opening tag 4: ":" and the first value's content as bits, then
// on behind the matching closing tag.
bool DecodeValue(const std::uint8_t* data, std::uint32_t length, std::uint32_t& offset, std::u16string& text) {
    ++offset;
    text += u':';
    const auto tag = ReadTag(data, length, offset);
    if (!tag) return false;
    if (!tag->opening && !tag->closing) {
        text += encoding::BitStringText(data + tag->content, tag->length);
        offset = tag->end;
    }
    return SkipToClosing(data, length, offset, kValueTag);
}

// Behind the opening tag 5: "'class'code", then on behind the closing tag.
bool DecodeError(const std::uint8_t* data, std::uint32_t length, std::uint32_t& offset, std::u16string& text) {
    ++offset;
    for (int i = 0; i < kErrorNumbers; ++i) {
        const auto tag = ReadTag(data, length, offset);
        if (!tag) return false;
        if (tag->opening || tag->closing) break;
        text += u'\'';
        AppendUnsigned(text, TagValue(data, *tag));
        offset = tag->end;
    }
    return SkipToClosing(data, length, offset, kErrorTag);
}

// The results up to and behind the closing tag of the list.
bool DecodeResults(const std::uint8_t* data, std::uint32_t length, std::uint32_t& offset, std::u16string& text) {
    bool first = true;
    for (;;) {
        const auto property = ReadTag(data, length, offset);
        if (!property) return false;
        if (property->closing) {
            offset = property->end;
            return true;
        }
        text += first ? u'-' : u',';
        first = false;
        AppendUnsigned(text, TagValue(data, *property));
        offset = property->end;

        auto next = PeekTag(data, length, offset);
        if (!next) return false;
        bool indexed = false;
        if (next->tagNumber == kIndexTag && next->lvt != encoding::kLvtClosing) {
            const auto index = ReadTag(data, length, offset);
            if (!index) return false;
            text += u':';
            AppendUnsigned(text, TagValue(data, *index));
            offset = index->end;
            indexed = true;
            next = PeekTag(data, length, offset);
            if (!next) return false;
        }
        if (next->lvt != encoding::kLvtOpening) continue;
        if (next->tagNumber == kValueTag) {
            if (!DecodeValue(data, length, offset, text)) return false;
        } else if (next->tagNumber == kErrorTag) {
            if (!indexed) text += u':';
            if (!DecodeError(data, length, offset, text)) return false;
        }
    }
}

std::uint32_t WriteResults(encoding::ByteVector& out, std::u16string_view details) {
    for (const auto rawResult : SplitText(details, u",")) {
        const std::u16string_view result = Trim(rawResult);
        if (result.empty()) return kGrammarError;
        const auto pieces = SplitText(result, u"'");
        if (pieces.size() != 1 && pieces.size() != 3) return kGrammarError;
        const auto fields = SplitText(pieces[0], u":");
        if (fields.size() != 2) return kGrammarError;
        const auto property = StrictUnsigned(Trim(fields[0]));
        if (!property) return kGrammarError;
        WriteContextUnsigned(out, 2, *property);
        if (pieces.size() == 1) {
            WriteOpening(out, kValueTag);
            if (encoding::TextToBitString(out, Trim(fields[1])) != encoding::kStatusOk) return kGrammarError;
            WriteClosing(out, kValueTag);
            continue;
        }
        const auto index = StrictUnsigned(Trim(fields[1]));
        if (!index) return kGrammarError;
        WriteContextUnsigned(out, kIndexTag, *index);
        WriteOpening(out, kErrorTag);
        for (std::size_t i = 1; i < pieces.size(); ++i) {
            const auto number = StrictUnsigned(Trim(pieces[i]));
            if (!number) return kGrammarError;
            encoding::EncodeEnumerated(out, *number);
        }
        WriteClosing(out, kErrorTag);
    }
    return encoding::kStatusOk;
}

}  // namespace

void BACnetReadAccessResultCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
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
            if (!DecodeResults(data, length, offset, text)) break;
        }
    }
    consumed = offset;
    Store(value, text);
}

std::uint32_t BACnetReadAccessResultCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    return EncodeAccessEntries(out, value, WriteResults);
}

}  // namespace coders
