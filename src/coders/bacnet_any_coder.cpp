#include "coders/bacnet_any_coder.hpp"

#include <string>
#include <string_view>

#include "coders/coder_text.hpp"
#include "encoding/application_values.hpp"
#include "encoding/tags.hpp"
#include "encoding/text_forms.hpp"

namespace coders {

void BACnetAnyCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value, std::int32_t,
                            std::uint32_t& consumed) {
    std::u16string text;
    HostValue decoded{};
    std::size_t used = 0;
    if (data != nullptr && encoding::DecodeApplicationValue(data, length, decoded, used)) {
        text = SignedText(encoding::SplitTagByte(data[0]).tagNumber) + u':' + HostText(decoded);
        consumed = static_cast<std::uint32_t>(used);
    }
    ::AssignText(&value, text.c_str());
}

std::uint32_t BACnetAnyCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    const std::u16string whole = HostText(value);
    const std::u16string_view text = Trim(whole);
    const std::size_t colon = text.find(u':');
    if (colon == text.npos) return encoding::kStatusValueDoesNotFit;
    const std::int32_t datatype = encoding::ReadLeadingInteger(text.substr(0, colon));
    HostValue piece{};
    ::AssignText(&piece, std::u16string(text.substr(colon + 1)).c_str());
    return static_cast<std::uint32_t>(encoding::EncodeApplicationValue(out, piece, datatype));
}

}  // namespace coders
