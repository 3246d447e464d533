#include "coders/effective_period_coder.hpp"

#include <string>

#include "coders/coder_text.hpp"
#include "encoding/application_values.hpp"
#include "encoding/tags.hpp"

namespace coders {
namespace {

constexpr std::size_t kTextCapacity = 1025;

}  // namespace

void EffectivePeriodCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                  std::int32_t closingTag, std::uint32_t& consumed) {
    consumed = 0;
    const auto closesValue = [&](std::uint32_t at) {
        return at >= length || (encoding::SplitTagByte(data[at]).tagNumber == closingTag &&
                                encoding::SplitTagByte(data[at]).lvt == encoding::kLvtClosing);
    };
    if (data == nullptr || closesValue(0)) return;
    const auto start = DecodeValueText(data, length, 0, kTextCapacity);
    if (!start) return;
    consumed = start->consumed;
    if (closesValue(consumed)) return;
    const auto end = DecodeValueText(data, length, consumed, kTextCapacity);
    if (!end) return;
    consumed += end->consumed;
    const std::u16string text = start->text + u'|' + end->text;
    ::StoreText(&value, text.c_str());
}

std::uint32_t EffectivePeriodCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    const std::u16string text = HostText(value);
    const auto fields = SplitText(text, u"|");
    if (fields.size() != 2) return encoding::kStatusValueDoesNotFit;
    for (const auto field : fields) {
        const int status = encoding::EncodeApplicationValue(out, TextValue(field), encoding::kTagDate);
        if (status != encoding::kStatusOk) return static_cast<std::uint32_t>(status);
    }
    return encoding::kStatusOk;
}

}  // namespace coders
