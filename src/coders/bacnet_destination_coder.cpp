#include "coders/bacnet_destination_coder.hpp"

#include <string>
#include <string_view>

#include "coders/coder_text.hpp"
#include "coders/value_tags.hpp"
#include "encoding/date_time_text.hpp"
#include "encoding/host_value.hpp"
#include "encoding/primitive_text.hpp"

namespace coders {
namespace {

using namespace value_tags;
using encoding::ByteVector;

constexpr std::uint8_t kDeviceRecipient = 0;
constexpr std::uint8_t kAddressRecipient = 1;
constexpr std::size_t kFieldCount = 6;
constexpr std::uint32_t kTimeOctets = 4;

struct Cursor {
    const std::uint8_t* data;
    std::uint32_t size;
    std::uint32_t offset;

    std::optional<ValueTag> Tag() const { return TagAt(data, size, offset); }

    // The next tag if it is a primitive one, stepped over.
    std::optional<ValueTag> Primitive() {
        auto tag = Tag();
        if (!tag || !tag->IsPrimitive()) return std::nullopt;
        offset = tag->End();
        return tag;
    }
};

bool ReadBits(Cursor& c, std::u16string& text) {
    const auto tag = c.Primitive();
    if (!tag) return false;
    text += encoding::BitStringText(c.data + tag->content, tag->length);
    return true;
}

bool ReadTime(Cursor& c, std::u16string& text) {
    const auto tag = c.Primitive();
    if (!tag || tag->length < kTimeOctets) return false;
    text += encoding::TimeText(c.data + tag->content);
    return true;
}

// An address recipient, from behind its opening tag to behind its closing tag.
bool ReadAddress(Cursor& c, std::u16string& text) {
    const auto network = c.Primitive();
    if (!network) return false;
    const auto mac = c.Primitive();
    if (!mac) return false;
    const auto closing = c.Tag();
    if (!closing || !closing->IsClosing()) return false;
    c.offset = closing->End();
    text += u',' + UnsignedText(UnsignedContent(c.data, *network)) + u',' +
            encoding::OctetStringText(c.data + mac->content, mac->length);
    return true;
}

// The recipient field with its "|", empty when the tag is no recipient.
bool ReadRecipient(Cursor& c, std::u16string& text) {
    const auto tag = c.Tag();
    if (!tag) return false;
    text += u'|';
    if (tag->IsClosing() || (tag->number != kDeviceRecipient && tag->number != kAddressRecipient)) return true;
    text += UnsignedText(tag->number);
    if (tag->IsOpening()) {
        c.offset = tag->End();
        return ReadAddress(c, text);
    }
    c.offset = tag->End();
    text += u',' + ObjectIdText(c.data, *tag, u',');
    return true;
}

// One destination; false when the bytes end or leave the layout, with the
// fields read so far in text.
bool ReadDestination(Cursor& c, std::u16string& text) {
    if (!ReadBits(c, text)) return false;
    text += u'|';
    if (!ReadTime(c, text)) return false;
    text += u' ';
    if (!ReadTime(c, text)) return false;
    if (!ReadRecipient(c, text)) return false;
    const auto process = c.Primitive();
    if (!process) return false;
    text += u'|' + UnsignedText(UnsignedContent(c.data, *process));
    // An application Boolean holds its value in the tag byte itself.
    if (c.offset >= c.size) return false;
    text += encoding::DecodeBoolean(c.data[c.offset++]) ? u"|1" : u"|0";
    text += u'|';
    return ReadBits(c, text);
}

std::uint32_t EncodeRecipient(ByteVector& out, std::u16string_view field) {
    const auto pieces = SplitText(field, u",");
    if (pieces.size() != 3) return encoding::kStatusValueDoesNotFit;
    if (pieces[0] == u"0") {
        const auto id = StrictObjectId(pieces[1], pieces[2]);
        if (!id) return encoding::kStatusValueDoesNotFit;
        encoding::EncodeObjectIdentifierWithTag(out, id->type, id->instance,
                                                encoding::MakeContextTag(kDeviceRecipient, 4));
        return encoding::kStatusOk;
    }
    if (pieces[0] != u"1") return encoding::kStatusValueDoesNotFit;
    const auto network = StrictNumber(pieces[1]);
    if (!network) return encoding::kStatusValueDoesNotFit;
    out.push_back(encoding::MakeContextTag(kAddressRecipient, encoding::kLvtOpening));
    encoding::EncodeUnsigned(out, static_cast<std::uint32_t>(*network));
    if (encoding::TextToOctetString(out, pieces[2]) != encoding::kStatusOk) return encoding::kStatusValueDoesNotFit;
    out.push_back(encoding::MakeContextTag(kAddressRecipient, encoding::kLvtClosing));
    return encoding::kStatusOk;
}

std::uint32_t EncodeDestination(ByteVector& out, std::u16string_view destination) {
    const auto fields = SplitText(destination, u"|");
    if (fields.size() != kFieldCount) return encoding::kStatusValueDoesNotFit;
    std::u16string_view days = Trim(fields[0]), times = Trim(fields[1]), recipient = Trim(fields[2]),
                        process = Trim(fields[3]), confirmed = Trim(fields[4]), transitions = Trim(fields[5]);
    if (days.empty() || times.empty() || process.empty() || confirmed.empty() || transitions.empty())
        return encoding::kStatusValueDoesNotFit;

    if (encoding::TextToBitString(out, days) != encoding::kStatusOk) return encoding::kStatusValueDoesNotFit;
    const auto fromTo = SplitText(times, u" ");
    if (fromTo.size() != 2) return encoding::kStatusValueDoesNotFit;
    for (const auto time : fromTo)
        if (encoding::TextToTime(out, time) != encoding::kStatusOk) return encoding::kStatusValueDoesNotFit;
    if (!recipient.empty() && EncodeRecipient(out, recipient) != encoding::kStatusOk)
        return encoding::kStatusValueDoesNotFit;
    const auto processId = StrictNumber(process);
    if (!processId) return encoding::kStatusValueDoesNotFit;
    encoding::EncodeUnsigned(out, static_cast<std::uint32_t>(*processId));
    if (confirmed != u"0" && confirmed != u"1") return encoding::kStatusValueDoesNotFit;
    encoding::EncodeBoolean(out, confirmed == u"1");
    if (encoding::TextToBitString(out, transitions) != encoding::kStatusOk) return encoding::kStatusValueDoesNotFit;
    return encoding::kStatusOk;
}

}  // namespace

void BACnetDestinationCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                    std::int32_t closingTag, std::uint32_t& consumed) {
    Cursor c{data, length, 0};
    std::u16string text;
    for (bool first = true;; first = false) {
        const auto tag = c.Tag();
        if (!tag || tag->IsClosing() || tag->number == closingTag) break;
        if (!first) text += u';';
        // A destination cut short keeps the fields read so far.
        if (!ReadDestination(c, text)) break;
    }
    consumed = c.offset;
    ::StoreText(&value, text.c_str());
}

std::uint32_t BACnetDestinationCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    if (!encoding::IsTextKind(value.kind)) return encoding::kStatusValueDoesNotFit;
    const std::u16string whole = HostText(value);
    const std::u16string_view text = Trim(whole);
    if (text.empty()) return encoding::kStatusValueDoesNotFit;
    for (const auto piece : SplitText(text, u";")) {
        const std::u16string_view destination = Trim(piece);
        if (destination.empty() || EncodeDestination(out, destination) != encoding::kStatusOk)
            return encoding::kStatusValueDoesNotFit;
    }
    return encoding::kStatusOk;
}

}  // namespace coders
