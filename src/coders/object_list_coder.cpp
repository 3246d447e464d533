#include "coders/object_list_coder.hpp"

#include "coders/coder_text.hpp"
#include "coders/reference_text.hpp"

namespace coders {

using namespace reference_text;

namespace {

constexpr std::uint32_t kIdentifierOctets = 4;

}  // namespace

void ObjectListCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t,
                             std::uint32_t& consumed) {
    std::u16string text;
    std::u16string entry;
    bool full = false;
    std::uint32_t offset = 0;
    for (;;) {
        const auto tag = ReadTag(data, length, offset);
        if (!tag || tag->number != encoding::kTagObjectIdentifier || tag->opening || tag->closing) break;
        // The identifier is four octets whatever the length field claims.
        if (std::uint64_t{offset} + 1 + kIdentifierOctets > length) break;
        const ObjectId id = SplitObjectId(encoding::DecodeUnsigned(data + offset + 1, kIdentifierOctets));
        entry.assign(1, u'(');
        AppendSigned(entry, static_cast<std::int32_t>(id.type));
        entry += u':';
        AppendSigned(entry, static_cast<std::int32_t>(id.instance));
        entry += u')';
        // Whole entries only, so that a cut list still reads as a list.
        if (!full && text.size() + entry.size() <= kMaxTextCharacters)
            text += entry;
        else
            full = true;
        offset = tag->end;
    }
    consumed += offset;
    ::AssignText(&value, text.c_str());
}

std::uint32_t ObjectListCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    if (!IsTextValue(value)) return kGrammarError;
    const std::u16string whole = HostText(value);
    const std::u16string_view text = Trim(whole);
    if (text.empty()) return kGrammarError;
    bool found = false;
    std::size_t position = 0;
    for (;;) {
        const std::size_t open = text.find(u'(', position);
        if (open == std::u16string_view::npos) break;
        const std::size_t close = text.find(u')', open + 1);
        const std::u16string_view piece =
            text.substr(open + 1, close == std::u16string_view::npos ? std::u16string_view::npos : close - open - 1);
        found = true;
        const auto fields = SplitText(piece, u":");
        if (fields.size() != 2) return kGrammarError;
        const auto type = StrictNumber(fields[0]);
        const auto instance = StrictNumber(fields[1]);
        if (!type || !instance) return kGrammarError;
        encoding::EncodeObjectIdentifier(out, static_cast<std::uint32_t>(*type), static_cast<std::uint32_t>(*instance));
        if (close == std::u16string_view::npos) break;
        position = close + 1;
    }
    return found ? encoding::kStatusOk : kGrammarError;
}

}  // namespace coders
