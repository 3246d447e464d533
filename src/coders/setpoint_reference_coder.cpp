#include "coders/setpoint_reference_coder.hpp"

#include "coders/coder_text.hpp"
#include "coders/reference_text.hpp"
#include "encoding/host_value.hpp"

namespace coders {

using namespace reference_text;

void SetpointReferenceCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                    std::int32_t, std::uint32_t& consumed) {
    std::u16string text;
    std::uint32_t offset = 0;
    const auto first = PeekTag(data, length, 0);
    // An absent reference (the optional field left out) shows as empty text.
    if (first && first->tagNumber == 0 && first->lvt != encoding::kLvtClosing) {
        offset = 1;
        if (DecodeReferenceElement(data, length, offset, text)) {
            const auto end = PeekTag(data, length, offset);
            if (end && end->lvt == encoding::kLvtClosing && end->tagNumber == 0) ++offset;
        }
    }
    consumed = offset;
    Store(value, text);
}

std::uint32_t SetpointReferenceCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    if (value.kind != encoding::kKindText) return kGrammarError;
    const std::u16string whole = HostText(value);
    const std::u16string_view text = Trim(whole);
    if (text.empty()) return kGrammarError;
    const auto fields = SplitText(text, u"|");
    if (fields.size() < 2 || fields.size() > 4) return kGrammarError;
    WriteOpening(out, 0);
    if (const std::uint32_t status = EncodeReferenceFields(out, fields)) return status;
    WriteClosing(out, 0);
    return encoding::kStatusOk;
}

}  // namespace coders
