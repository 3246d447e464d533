#include "coders/reference_text.hpp"

#include "coders/coder_text.hpp"
#include "encoding/application_values.hpp"
#include "encoding/host_value.hpp"
#include "encoding/number_text.hpp"

namespace coders::reference_text {
namespace {

constexpr std::uint8_t kContextClassBit = 0x08;
constexpr std::uint8_t kTwoOctetLength = 254;
constexpr std::uint8_t kFourOctetLength = 255;
constexpr std::uint8_t kListOpeningTag = 3;

}  // namespace

std::optional<encoding::TagFields> PeekTag(const std::uint8_t* data, std::uint32_t length, std::uint32_t offset) {
    if (data == nullptr || offset >= length) return std::nullopt;
    return encoding::SplitTagByte(data[offset]);
}

std::optional<WireTag> ReadTag(const std::uint8_t* data, std::uint32_t length, std::uint32_t offset) {
    const auto fields = PeekTag(data, length, offset);
    if (!fields) return std::nullopt;
    WireTag tag;
    tag.number = fields->tagNumber;
    tag.opening = fields->lvt == encoding::kLvtOpening;
    tag.closing = fields->lvt == encoding::kLvtClosing;
    std::uint64_t content = std::uint64_t{offset} + 1;
    std::uint64_t size = 0;
    const bool applicationBoolean = tag.number == encoding::kTagBoolean && (data[offset] & kContextClassBit) == 0;
    if (fields->lvt < encoding::kLvtExtendedLength) {
        size = applicationBoolean ? 0 : fields->lvt;
    } else if (fields->lvt == encoding::kLvtExtendedLength) {
        if (content >= length) return std::nullopt;
        const std::uint8_t first = data[content];
        const int octets = first == kTwoOctetLength ? 2 : first == kFourOctetLength ? 4 : 0;
        if (content + 1 + octets > length) return std::nullopt;
        size = octets == 0 ? first : encoding::DecodeUnsigned(data + content + 1, octets);
        content += 1 + octets;
    }
    if (content + size > length) return std::nullopt;
    tag.content = static_cast<std::uint32_t>(content);
    tag.length = static_cast<std::uint32_t>(size);
    tag.end = static_cast<std::uint32_t>(content + size);
    return tag;
}

std::uint32_t TagValue(const std::uint8_t* data, const WireTag& tag) {
    // Octets beyond four push the earliest out, as the unsigned decoder does.
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < tag.length; ++i) value = (value << 8) | data[tag.content + i];
    return value;
}

bool SkipToClosing(const std::uint8_t* data, std::uint32_t length, std::uint32_t& offset, std::uint8_t number) {
    std::uint32_t depth = 0;
    while (const auto tag = ReadTag(data, length, offset)) {
        if (tag->closing) {
            if (depth == 0) {
                if (tag->number == number) offset = tag->end;
                return true;
            }
            --depth;
        } else if (tag->opening) {
            ++depth;
        }
        offset = tag->end;
    }
    return false;
}

void AppendUnsigned(std::u16string& text, std::uint32_t value) { encoding::AppendDecimal(text, value); }

void AppendSigned(std::u16string& text, std::int32_t value) { encoding::AppendDecimal(text, value); }

void AppendObjectId(std::u16string& text, ObjectId id, char16_t separator) {
    AppendUnsigned(text, id.type);
    text += separator;
    AppendUnsigned(text, id.instance);
}

std::optional<ObjectId> ParseObjectId(std::u16string_view text, char16_t separator, bool trimPieces) {
    const auto pieces = SplitText(text, std::u16string_view(&separator, 1));
    if (pieces.size() != 2) return std::nullopt;
    const auto type = StrictNumber(trimPieces ? Trim(pieces[0]) : pieces[0]);
    const auto instance = StrictNumber(trimPieces ? Trim(pieces[1]) : pieces[1]);
    if (!type || !instance) return std::nullopt;
    if (*type < 0 || *type > kMaxObjectType || *instance < 0 || *instance > kMaxInstance) return std::nullopt;
    return ObjectId{static_cast<std::uint32_t>(*type), static_cast<std::uint32_t>(*instance)};
}

std::optional<std::uint32_t> StrictUnsigned(std::u16string_view piece) {
    const auto number = StrictNumber(piece);
    if (!number) return std::nullopt;
    return static_cast<std::uint32_t>(*number);
}

void WriteContextUnsigned(encoding::ByteVector& out, std::uint32_t tagNumber, std::uint32_t value) {
    encoding::EncodeUnsignedWithTag(out, value,
                                    encoding::MakeContextTag(tagNumber, encoding::UnsignedOctetCount(value)));
}

void WriteContextObjectId(encoding::ByteVector& out, std::uint32_t tagNumber, ObjectId id) {
    encoding::EncodeObjectIdentifierWithTag(out, id.type, id.instance, encoding::MakeContextTag(tagNumber, 4));
}

void WriteOpening(encoding::ByteVector& out, std::uint32_t tagNumber) {
    out.push_back(encoding::MakeContextTag(tagNumber, encoding::kLvtOpening));
}

void WriteClosing(encoding::ByteVector& out, std::uint32_t tagNumber) {
    out.push_back(encoding::MakeContextTag(tagNumber, encoding::kLvtClosing));
}

bool IsTextValue(const HostValue& value) {
    return value.kind == encoding::kKindText || value.kind == encoding::kKindAssignedText;
}

void Store(HostValue& value, const std::u16string& text) { ::StoreText(&value, text.c_str()); }

bool DecodeValueList(const std::uint8_t* data, std::uint32_t length, std::vector<HostValue>& elements,
                     std::uint32_t& closingOffset) {
    if (data == nullptr || length == 0) return false;
    std::uint32_t offset = 0;
    // The value may be handed over still behind its enclosing opening tag 3.
    const auto first = PeekTag(data, length, 0);
    if (first->lvt == encoding::kLvtOpening && first->tagNumber == kListOpeningTag) offset = 1;
    for (;;) {
        const auto tag = PeekTag(data, length, offset);
        if (!tag) return false;
        if (tag->lvt == encoding::kLvtClosing) break;
        // A string whose length runs past the bytes is as broken as any other element.
        if (!ReadTag(data, length, offset)) return false;
        HostValue element{};
        std::size_t used = 0;
        if (!encoding::DecodeApplicationValue(data + offset, length - offset, element, used)) return false;
        if (elements.size() < kMaxListElements) elements.push_back(element);
        offset += static_cast<std::uint32_t>(used);
    }
    closingOffset = offset;
    return true;
}

bool DecodeReferenceElement(const std::uint8_t* data, std::uint32_t length, std::uint32_t& offset,
                            std::u16string& text) {
    // Object and property are taken by position, whatever their tag numbers.
    const auto object = ReadTag(data, length, offset);
    if (!object || object->closing) return false;
    AppendObjectId(text, SplitObjectId(TagValue(data, *object)), u',');
    offset = object->end;

    const auto property = ReadTag(data, length, offset);
    if (!property || property->closing) return false;
    text += u'|';
    AppendUnsigned(text, TagValue(data, *property));
    offset = property->end;

    const auto next = PeekTag(data, length, offset);
    if (!next || next->lvt == encoding::kLvtClosing) return true;
    if (next->tagNumber == 2) {
        const auto index = ReadTag(data, length, offset);
        if (!index) return false;
        text += u'|';
        AppendUnsigned(text, TagValue(data, *index));
        offset = index->end;
        const auto after = PeekTag(data, length, offset);
        if (!after || after->lvt == encoding::kLvtClosing || after->tagNumber != 3) return true;
        text += u'|';
    } else if (next->tagNumber == 3) {
        // A device without index keeps the index field, empty.
        text += u"||";
    } else {
        return true;
    }
    const auto device = ReadTag(data, length, offset);
    if (!device) return false;
    AppendObjectId(text, SplitObjectId(TagValue(data, *device)), u',');
    offset = device->end;
    return true;
}

std::uint32_t EncodeReferenceFields(encoding::ByteVector& out, const std::vector<std::u16string_view>& fields) {
    const auto object = ParseObjectId(fields[0], u',', false);
    if (!object) return kGrammarError;
    WriteContextObjectId(out, 0, *object);
    const auto property = StrictUnsigned(fields[1]);
    if (!property) return kGrammarError;
    WriteContextUnsigned(out, 1, *property);
    if (fields.size() > 2) {
        if (const auto index = StrictUnsigned(fields[2])) WriteContextUnsigned(out, 2, *index);
    }
    if (fields.size() > 3) {
        if (const auto device = ParseObjectId(fields[3], u',', false)) WriteContextObjectId(out, 3, *device);
    }
    return encoding::kStatusOk;
}

}  // namespace coders::reference_text

namespace coders::reference_text {

std::uint32_t EncodeAccessEntries(encoding::ByteVector& out, const HostValue& value, DetailWriter writeDetails) {
    if (!IsTextValue(value)) return kGrammarError;
    const std::u16string whole = HostText(value);
    const std::u16string_view text = Trim(whole);
    if (text.empty()) return kGrammarError;
    for (const auto rawEntry : SplitText(text, u"|")) {
        const std::u16string_view entry = Trim(rawEntry);
        if (entry.empty()) return kGrammarError;
        const auto parts = SplitText(entry, u"-");
        if (parts.size() > 2) return kGrammarError;
        const auto object = ParseObjectId(Trim(parts[0]), u':', true);
        if (!object) return kGrammarError;
        WriteContextObjectId(out, 0, *object);
        WriteOpening(out, 1);
        if (parts.size() == 2) {
            const std::u16string_view details = Trim(parts[1]);
            if (!details.empty()) {
                if (const std::uint32_t status = writeDetails(out, details)) return status;
            }
        }
        WriteClosing(out, 1);
    }
    return encoding::kStatusOk;
}

}  // namespace coders::reference_text
