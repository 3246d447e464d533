#include "coders/bacnet_date_time_coder.hpp"

#include <string>

#include "coders/coder_text.hpp"
#include "encoding/date_time_text.hpp"
#include "encoding/host_value.hpp"
#include "encoding/tags.hpp"

namespace coders {
namespace {

// Each of the two texts is fetched into a buffer of this many characters.
constexpr std::size_t kPieceCapacity = 260;

}  // namespace

void BACnetDateTimeCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                 std::int32_t closingTag, std::uint32_t& consumed) {
    consumed = 0;
    if (data == nullptr || length == 0) return;
    const encoding::TagFields first = encoding::SplitTagByte(data[0]);
    if (first.tagNumber == closingTag || first.lvt == encoding::kLvtClosing) {
        ::StoreText(&value, u"");
        return;
    }
    const auto date = DecodeValueText(data, length, 0, kPieceCapacity);
    if (!date) return;
    const auto time = DecodeValueText(data, length, date->consumed, kPieceCapacity);
    if (!time) return;
    consumed = date->consumed + time->consumed;
    const std::u16string text = date->text + u' ' + time->text;
    ::StoreText(&value, text.c_str());
}

std::uint32_t BACnetDateTimeCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    const std::u16string text = HostText(value);
    const std::u16string_view trimmed = Trim(text);
    if (!encoding::IsTextKind(value.kind) || trimmed.empty()) return encoding::kStatusValueDoesNotFit;
    const auto fields = SplitText(trimmed, u" ");
    if (fields.size() != 2) return encoding::kStatusValueDoesNotFit;
    if (encoding::TextToDate(out, fields[0]) != encoding::kStatusOk ||
        encoding::TextToTimeWithWildcards(out, fields[1]) != encoding::kStatusOk) {
        return encoding::kStatusValueDoesNotFit;
    }
    return encoding::kStatusOk;
}

}  // namespace coders
