#include "coders/bacnet_action_list.hpp"

#include <string>
#include <string_view>

#include "coders/coder_text.hpp"
#include "coders/value_tags.hpp"
#include "encoding/application_values.hpp"
#include "encoding/host_value.hpp"

namespace coders {
namespace {

using namespace value_tags;
using encoding::ByteVector;

constexpr std::uint32_t kFieldCount = 9;
constexpr std::uint32_t kDeviceField = 0;
constexpr std::uint32_t kObjectField = 1;
constexpr std::uint32_t kValueField = 4;
constexpr std::uint32_t kPriorityField = 5;
constexpr std::uint32_t kPostDelayField = 6;
constexpr std::uint32_t kQuitOnFailureField = 7;
constexpr std::uint8_t kListTag = 0;

struct Cursor {
    const std::uint8_t* data;
    std::uint32_t size;
    std::uint32_t offset;

    std::optional<ValueTag> Tag() const { return TagAt(data, size, offset); }
};

// The value behind the opening tag 4, up to and past its closing tag. False
// when the bytes end or leave the layout.
bool ReadPropertyValue(Cursor& c, std::u16string& field) {
    auto tag = c.Tag();
    if (!tag) return false;
    if (!tag->IsClosing()) {
        if (tag->number == encoding::kTagEnumerated || tag->number == encoding::kTagSigned ||
            tag->number == encoding::kTagUnsigned) {
            if (!tag->IsPrimitive()) return false;
            field = tag->number == encoding::kTagUnsigned ? UnsignedText(UnsignedContent(c.data, *tag))
                                                          : RawText(c.data, *tag);
            c.offset = tag->End();
        } else {
            HostValue decoded{};
            std::size_t used = 0;
            if (!encoding::DecodeApplicationValue(c.data + c.offset, c.size - c.offset, decoded, used)) return false;
            field = encoding::ValueToText(decoded);
            c.offset += static_cast<std::uint32_t>(used);
        }
        tag = c.Tag();
        if (!tag) return false;
    }
    if (!tag->IsClosing() || tag->number != kValueField) return false;
    c.offset = tag->End();
    return true;
}

// One command into text; a field whose tag is not the expected one is empty
// and its tag is tried for the next field. False when the bytes end or leave
// the layout.
bool ReadCommand(Cursor& c, std::u16string& text) {
    for (std::uint32_t k = 0; k < kFieldCount; ++k) {
        const auto tag = c.Tag();
        if (!tag) return false;
        const bool expected = tag->number == k && (k == kValueField ? tag->IsOpening() : tag->IsPrimitive());
        if (!expected) {
            // An absent device or object identifier leaves no trace at all.
            if (k != kDeviceField && k != kObjectField) text += u',';
            continue;
        }
        if (k != kDeviceField) text += u',';
        c.offset = tag->End();
        switch (k) {
            case kDeviceField:
            case kObjectField:
                text += ObjectIdText(c.data, *tag, u':');
                break;
            case kValueField: {
                std::u16string field;
                if (!ReadPropertyValue(c, field)) return false;
                text += field;
                break;
            }
            case kPriorityField:
            case kPostDelayField:
                text += RawText(c.data, *tag);
                break;
            default:  // property, index and the two Booleans
                text += UnsignedText(UnsignedContent(c.data, *tag));
                break;
        }
    }
    return true;
}

// The commands of one list, up to and past its closing tag. False when the
// bytes end or leave the layout.
bool ReadList(Cursor& c, std::u16string& text) {
    bool first = true;
    for (;;) {
        const auto tag = c.Tag();
        if (!tag) return false;
        if (tag->IsClosing()) {
            if (tag->number != kListTag) return false;
            c.offset = tag->End();
            return true;
        }
        const std::uint32_t start = c.offset;
        std::u16string command;
        const bool complete = ReadCommand(c, command);
        // A tag that fits no field would otherwise be met again and again.
        if (c.offset == start) return false;
        if (!first) text += u';';
        first = false;
        text += command;
        if (!complete) return false;
    }
}

std::uint32_t EncodeObjectField(ByteVector& out, std::u16string_view field, std::uint32_t tagNumber) {
    const auto pieces = SplitText(field, u":");
    if (pieces.size() != 2) return encoding::kStatusValueDoesNotFit;
    const auto id = StrictObjectId(pieces[0], pieces[1]);
    if (!id) return encoding::kStatusValueDoesNotFit;
    encoding::EncodeObjectIdentifierWithTag(out, id->type, id->instance, encoding::MakeContextTag(tagNumber, 4));
    return encoding::kStatusOk;
}

std::uint32_t EncodeCommand(ByteVector& out, std::u16string_view command) {
    const auto fields = SplitText(command, u",");
    if (fields.size() != kFieldCount) return encoding::kStatusValueDoesNotFit;
    for (std::uint32_t k = 0; k < kFieldCount; ++k) {
        const std::u16string_view field = Trim(fields[k]);
        if (field.empty()) continue;
        if (k == kDeviceField || k == kObjectField) {
            if (EncodeObjectField(out, field, k) != encoding::kStatusOk) return encoding::kStatusValueDoesNotFit;
            continue;
        }
        const auto number = StrictNumber(field);
        if (!number) return encoding::kStatusValueDoesNotFit;
        const auto narrowed = static_cast<std::uint32_t>(*number);
        if (k == kValueField) {
            out.push_back(encoding::MakeContextTag(kValueField, encoding::kLvtOpening));
            encoding::EncodeEnumerated(out, narrowed);
            out.push_back(encoding::MakeContextTag(kValueField, encoding::kLvtClosing));
        } else if (k >= kQuitOnFailureField) {
            out.push_back(encoding::MakeContextTag(k, 1));
            out.push_back(static_cast<std::uint8_t>(narrowed));
        } else {
            EncodeContextUnsigned(out, k, narrowed);
        }
    }
    return encoding::kStatusOk;
}

}  // namespace

void BACnetActionList::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                              std::int32_t closingTag, std::uint32_t& consumed) {
    Cursor c{data, length, 0};
    std::u16string text;
    for (;;) {
        const auto tag = c.Tag();
        if (!tag || tag->IsClosing() || tag->number == closingTag) break;
        if (!tag->IsOpening() || tag->number != kListTag) break;
        c.offset = tag->End();
        if (!ReadList(c, text)) break;
        const auto next = c.Tag();
        if (next && !next->IsClosing()) text += u'|';
    }
    consumed = c.offset;
    ::StoreText(&value, text.c_str());
}

std::uint32_t BACnetActionList::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    if (!encoding::IsTextKind(value.kind)) return encoding::kStatusValueDoesNotFit;
    const std::u16string whole = HostText(value);
    const std::u16string_view text = Trim(whole);
    if (text.empty() || text.find(u',') == text.npos || text.find(u':') == text.npos)
        return encoding::kStatusValueDoesNotFit;
    for (const auto list : SplitText(text, u"|")) {
        out.push_back(encoding::MakeContextTag(kListTag, encoding::kLvtOpening));
        for (const auto command : SplitText(list, u";"))
            if (EncodeCommand(out, command) != encoding::kStatusOk) return encoding::kStatusValueDoesNotFit;
        out.push_back(encoding::MakeContextTag(kListTag, encoding::kLvtClosing));
    }
    return encoding::kStatusOk;
}

}  // namespace coders
