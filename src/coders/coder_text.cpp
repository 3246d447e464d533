#include "coders/coder_text.hpp"

#include <cmath>
#include <string>

#include "encoding/application_values.hpp"
#include "encoding/tags.hpp"
#include "encoding/value_conversions.hpp"

namespace coders {

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
    return text;
}

std::optional<std::int64_t> StrictNumber(std::u16string_view piece) {
    const auto value = encoding::ReadWholeDouble(piece);
    if (!value) return std::nullopt;
    const double truncated = std::trunc(*value);
    if (!(truncated >= -9.2e18 && truncated <= 9.2e18)) return std::nullopt;
    return static_cast<std::int64_t>(truncated);
}

std::u16string SignedText(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string UnsignedText(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string HostText(const HostValue& value) { return encoding::ValueToText(value); }

std::u16string HostTextUpTo(const HostValue& value, std::size_t capacity) {
    std::u16string text = HostText(value);
    const std::size_t limit = capacity == 0 ? 0 : capacity - 1;
    if (text.size() > limit) text.resize(limit);
    return text;
}

HostValue TextValue(std::u16string_view text) {
    HostValue value{};
    const std::u16string terminated(text);
    ::StoreText(&value, terminated.c_str());
    return value;
}

std::optional<DecodedText> DecodeValueText(const std::uint8_t* data, std::uint32_t size, std::uint32_t offset,
                                           std::size_t capacity) {
    if (data == nullptr || offset >= size) return std::nullopt;
    HostValue value{};
    std::size_t used = 0;
    if (!encoding::DecodeApplicationValue(data + offset, size - offset, value, used)) return std::nullopt;
    DecodedText decoded;
    decoded.text = HostTextUpTo(value, capacity);
    decoded.tagNumber = encoding::SplitTagByte(data[offset]).tagNumber;
    decoded.consumed = static_cast<std::uint32_t>(used);
    return decoded;
}

bool TagIs(std::uint8_t tagByte, std::uint8_t tagNumber, std::uint8_t lvt) {
    const encoding::TagFields fields = encoding::SplitTagByte(tagByte);
    return fields.tagNumber == tagNumber && fields.lvt == lvt;
}

std::u16string JoinText(const std::vector<std::u16string>& pieces, char16_t separator) {
    std::u16string text;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) text += separator;
        text += pieces[i];
    }
    return text;
}

}  // namespace coders
