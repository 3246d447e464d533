#include "coders/state_text_coder.hpp"

#include <vector>

#include "coders/coder_text.hpp"
#include "coders/reference_text.hpp"
#include "encoding/tags.hpp"

namespace coders {

void StateTextCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t,
                            std::uint32_t& consumed) {
    std::vector<HostValue> elements;
    std::uint32_t closing = 0;
    if (!reference_text::DecodeValueList(data, length, elements, closing)) return;
    std::u16string text;
    char16_t buffer[kMaxElementCharacters + 1];
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i > 0) text += u'|';
        // An element that holds no text (a number) shows as an empty state.
        buffer[0] = u'\0';
        ::FetchText(&elements[i], buffer, kMaxElementCharacters + 1);
        text += buffer;
    }
    consumed = closing;
    reference_text::Store(value, text);
}

std::uint32_t StateTextCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    const std::u16string text = HostText(value);
    for (const auto piece : SplitText(text, u"|")) encoding::EncodeCharacterString(out, piece);
    return encoding::kStatusOk;
}

}  // namespace coders
