#include "coders/bacnet_event_parameters_coder.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "coders/coder_text.hpp"
#include "coders/value_tags.hpp"
#include "encoding/host_value.hpp"
#include "encoding/primitive_text.hpp"

namespace coders {
namespace {

using namespace value_tags;
using encoding::ByteVector;

constexpr std::uint8_t kChangeOfBitstring = 0;
constexpr std::uint32_t kBitsTag = 1;
constexpr std::uint32_t kValueListTag = 2;

// Event types read as the empty text: change-of-state, change-of-value,
// command-failure, floating-limit, out-of-range, change-of-life-safety,
// extended, buffer-ready, unsigned-range.
bool IsTextlessEventType(std::uint8_t number) { return (number >= 1 && number <= 5) || (number >= 8 && number <= 11); }

// Codes that write no fields.
constexpr std::array<std::u16string_view, 9> kFieldlessCodes = {u"COS", u"COV", u"CMF", u"FLL", u"OOR",
                                                                 u"CLS", u"EXT", u"BFR", u"USR"};

struct Cursor {
    const std::uint8_t* data;
    std::uint32_t size;
    std::uint32_t offset;

    std::optional<ValueTag> Tag() const { return TagAt(data, size, offset); }

    std::optional<ValueTag> Primitive() {
        auto tag = Tag();
        if (!tag || !tag->IsPrimitive()) return std::nullopt;
        offset = tag->End();
        return tag;
    }
};

std::u16string BitsText(const Cursor& c, const ValueTag& tag) {
    return encoding::BitStringText(c.data + tag.content, tag.length);
}

// Change-of-bitstring from behind its opening tag; stops where the bytes end
// or leave the layout, with the fields read so far in text.
void ReadChangeOfBitstring(Cursor& c, std::u16string& text) {
    text = u"COB";
    const auto delay = c.Primitive();
    if (!delay) return;
    text += u'|' + UnsignedText(UnsignedContent(c.data, *delay));
    const auto bitmask = c.Primitive();
    if (!bitmask) return;
    text += u'|' + BitsText(c, *bitmask);
    const auto list = c.Tag();
    if (!list || !list->IsOpening()) return;
    c.offset = list->End();
    text += u'|';
    for (bool first = true;; first = false) {
        const auto tag = c.Tag();
        if (!tag || tag->IsOpening()) return;
        c.offset = tag->End();
        if (tag->IsClosing()) break;
        if (!first) text += u';';
        text += BitsText(c, *tag);
    }
    const auto closing = c.Tag();
    if (closing && closing->IsClosing()) c.offset = closing->End();
}

// Bits packed from the last character (bit 0 of the first octet) to the
// first, under context tag 1; no octet of unused bits. 18 for a character
// other than "0" and "1".
std::uint32_t EncodePackedBits(ByteVector& out, std::u16string_view bits) {
    if (bits.find_first_not_of(u"01") != bits.npos) return encoding::kStatusValueDoesNotFit;
    std::vector<std::uint8_t> octets(std::max<std::size_t>(1, (bits.size() + 7) / 8), 0);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[bits.size() - 1 - i] == u'1') octets[i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
    const auto n = static_cast<std::uint32_t>(octets.size());
    out.push_back(encoding::MakeContextTag(kBitsTag, std::min<std::uint32_t>(n, encoding::kLvtExtendedLength)));
    encoding::WriteExtendedLength(out, n);
    out.insert(out.end(), octets.begin(), octets.end());
    return encoding::kStatusOk;
}

std::uint32_t EncodeChangeOfBitstring(ByteVector& out, const std::vector<std::u16string_view>& pieces) {
    if (pieces.size() != 4) return encoding::kStatusValueDoesNotFit;
    const auto delay = StrictNumber(pieces[1]);
    if (!delay) return encoding::kStatusValueDoesNotFit;
    EncodeContextUnsigned(out, 0, static_cast<std::uint32_t>(*delay));
    if (EncodePackedBits(out, pieces[2]) != encoding::kStatusOk) return encoding::kStatusValueDoesNotFit;
    out.push_back(encoding::MakeContextTag(kValueListTag, encoding::kLvtOpening));
    if (!pieces[3].empty()) {
        for (const auto bits : SplitText(pieces[3], u";"))
            if (EncodePackedBits(out, bits) != encoding::kStatusOk) return encoding::kStatusValueDoesNotFit;
    }
    out.push_back(encoding::MakeContextTag(kValueListTag, encoding::kLvtClosing));
    return encoding::kStatusOk;
}

std::u16string UpperCase(std::u16string_view text) {
    std::u16string upper(text);
    for (auto& c : upper)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return upper;
}

}  // namespace

void BACnetEventParametersCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                        std::int32_t, std::uint32_t& consumed) {
    const auto opening = TagAt(data, length, 0);
    if (!opening || !opening->IsOpening()) return;
    if (opening->number == kChangeOfBitstring) {
        Cursor c{data, length, opening->End()};
        std::u16string text;
        ReadChangeOfBitstring(c, text);
        consumed = c.offset;
        ::StoreText(&value, text.c_str());
        return;
    }
    // Other event types are passed over whole, so that the closing tag of
    // the property value follows.
    consumed = SkipConstructed(data, length, 0);
    if (IsTextlessEventType(opening->number)) ::StoreText(&value, u"");
}

std::uint32_t BACnetEventParametersCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    if (!encoding::IsTextKind(value.kind)) return encoding::kStatusValueDoesNotFit;
    const std::u16string whole = HostText(value);
    const std::u16string_view text = Trim(whole);
    if (text.empty()) return encoding::kStatusValueDoesNotFit;
    std::vector<std::u16string_view> pieces = SplitText(text, u"|");
    for (auto& piece : pieces) piece = Trim(piece);
    const std::u16string code = UpperCase(pieces[0]);

    // Every event type goes out under the opening tag 0.
    out.push_back(encoding::MakeContextTag(kChangeOfBitstring, encoding::kLvtOpening));
    if (code == u"COB") {
        if (EncodeChangeOfBitstring(out, pieces) != encoding::kStatusOk) return encoding::kStatusValueDoesNotFit;
    } else if (std::find(kFieldlessCodes.begin(), kFieldlessCodes.end(), code) == kFieldlessCodes.end()) {
        return encoding::kStatusValueDoesNotFit;
    }
    out.push_back(encoding::MakeContextTag(kChangeOfBitstring, encoding::kLvtClosing));
    return encoding::kStatusOk;
}

}  // namespace coders
