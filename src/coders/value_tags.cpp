#include "coders/value_tags.hpp"

#include <algorithm>

#include "coders/coder_text.hpp"

namespace coders::value_tags {
namespace {

constexpr std::uint8_t kTwoOctetLength = 254;
constexpr std::uint8_t kFourOctetLength = 255;

}  // namespace

std::optional<ValueTag> TagAt(const std::uint8_t* data, std::uint32_t size, std::uint32_t offset) {
    if (data == nullptr || offset >= size) return std::nullopt;
    const encoding::TagFields fields = encoding::SplitTagByte(data[offset]);
    ValueTag tag;
    tag.number = fields.tagNumber;
    tag.lvt = fields.lvt;
    std::uint64_t content = std::uint64_t{offset} + 1;
    std::uint64_t length = 0;
    if (fields.lvt < encoding::kLvtExtendedLength) {
        length = fields.lvt;
    } else if (fields.lvt == encoding::kLvtExtendedLength) {
        if (content >= size) return std::nullopt;
        const std::uint8_t first = data[content];
        int octets = 0;
        if (first == kTwoOctetLength) octets = 2;
        if (first == kFourOctetLength) octets = 4;
        if (content + 1 + octets > size) return std::nullopt;
        length = octets == 0 ? first : encoding::DecodeUnsigned(data + content + 1, octets);
        content += 1 + octets;
    }
    if (content + length > size) return std::nullopt;
    tag.content = static_cast<std::uint32_t>(content);
    tag.length = static_cast<std::uint32_t>(length);
    return tag;
}

std::uint32_t UnsignedContent(const std::uint8_t* data, const ValueTag& tag) {
    // Only the last four octets count, so only they are read.
    const std::uint32_t n = std::min<std::uint32_t>(tag.length, 4);
    return encoding::DecodeUnsigned(data + tag.End() - n, static_cast<int>(n));
}

std::u16string RawText(const std::uint8_t* data, const ValueTag& tag) {
    return SignedText(static_cast<std::int32_t>(UnsignedContent(data, tag)));
}

std::u16string ObjectIdText(const std::uint8_t* data, const ValueTag& tag, char16_t separator) {
    const std::uint32_t id = UnsignedContent(data, tag);
    return UnsignedText(id >> 22) + separator + UnsignedText(id & 0x3FFFFFu);
}

std::uint32_t SkipConstructed(const std::uint8_t* data, std::uint32_t size, std::uint32_t offset) {
    std::uint32_t depth = 0;
    while (const auto tag = TagAt(data, size, offset)) {
        offset = tag->End();
        if (tag->IsOpening()) {
            ++depth;
        } else if (tag->IsClosing() && depth > 0) {
            --depth;
        }
        if (depth == 0) return offset;
    }
    return size;
}

void EncodeContextUnsigned(encoding::ByteVector& out, std::uint32_t tagNumber, std::uint32_t value) {
    encoding::EncodeUnsignedWithTag(out, value,
                                    encoding::MakeContextTag(tagNumber, encoding::UnsignedOctetCount(value)));
}

std::optional<ObjectId> StrictObjectId(std::u16string_view typeText, std::u16string_view instanceText) {
    const auto type = StrictNumber(typeText);
    const auto instance = StrictNumber(instanceText);
    if (!type || !instance || *type < 0 || *type > 1023 || *instance < 0 || *instance > 4194303) return std::nullopt;
    return ObjectId{static_cast<std::uint32_t>(*type), static_cast<std::uint32_t>(*instance)};
}

}  // namespace coders::value_tags
