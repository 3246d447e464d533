#include "coders/event_time_stamps_coder.hpp"

#include <string>

#include "coders/bacnet_date_time_coder.hpp"
#include "coders/coder_text.hpp"
#include "encoding/date_time_text.hpp"
#include "encoding/host_value.hpp"
#include "encoding/number_text.hpp"
#include "encoding/tags.hpp"

namespace coders {
namespace {

constexpr std::size_t kTextCapacity = 1025;
constexpr int kItems = 3;
constexpr std::uint32_t kChoiceTime = 0;
constexpr std::uint32_t kChoiceSequenceNumber = 1;
constexpr std::uint32_t kChoiceDateTime = 2;

}  // namespace

void EventTimeStampsCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                  std::int32_t closingTag, std::uint32_t& consumed) {
    consumed = 0;
    if (data == nullptr || length == 0) return;
    const encoding::TagFields first = encoding::SplitTagByte(data[0]);
    if (first.tagNumber == closingTag || first.lvt == encoding::kLvtClosing) {
        ::StoreText(&value, u"");
        return;
    }
    std::u16string text;
    std::uint32_t pos = 0;
    for (int item = 0; item < kItems; ++item) {
        if (pos >= length) break;
        const encoding::TagFields open = encoding::SplitTagByte(data[pos]);
        if (open.lvt != encoding::kLvtOpening) break;
        const auto content = DecodeValueText(data, length, pos + 1, kTextCapacity);
        if (!content) break;
        pos += 1 + content->consumed;
        if (item > 0) text += u';';
        if (open.tagNumber == kChoiceTime || open.tagNumber == kChoiceSequenceNumber) {
            text += static_cast<char16_t>(u'0' + open.tagNumber);
            text += u'|';
            text += content->text;
        } else {
            text += u"2|";
            text += content->text;
            const auto time = DecodeValueText(data, length, pos, kTextCapacity);
            if (!time) break;
            pos += time->consumed;
            text += u' ';
            text += time->text;
        }
        // Only the closing tag's LVT is looked at, not its number.
        if (pos >= length || encoding::SplitTagByte(data[pos]).lvt != encoding::kLvtClosing) break;
        ++pos;
    }
    consumed = pos;
    ::StoreText(&value, text.c_str());
}

std::uint32_t EventTimeStampsCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    const std::u16string text = HostText(value);
    const std::u16string_view trimmed = Trim(text);
    if (!encoding::IsTextKind(value.kind) || trimmed.empty()) return encoding::kStatusValueDoesNotFit;
    const auto items = SplitText(trimmed, u";");
    if (items.size() != kItems) return encoding::kStatusValueDoesNotFit;
    for (const auto item : items) {
        const auto fields = SplitText(item, u"|");
        if (fields.size() != 2) return encoding::kStatusValueDoesNotFit;
        std::uint32_t choice = 0;
        if (!encoding::ParseUnsignedNumber(fields[0], choice)) return encoding::kStatusValueDoesNotFit;
        out.push_back(encoding::MakeContextTag(choice, encoding::kLvtOpening));
        if (choice == kChoiceTime) {
            if (encoding::TextToTime(out, fields[1]) != encoding::kStatusOk) return encoding::kStatusValueDoesNotFit;
        } else if (choice == kChoiceSequenceNumber) {
            std::uint32_t sequence = 0;
            if (!encoding::ParseUnsignedNumber(fields[1], sequence)) return encoding::kStatusValueDoesNotFit;
            encoding::EncodeUnsigned(out, sequence);
        } else if (choice == kChoiceDateTime) {
            BACnetDateTimeCoder dateTime;
            if (dateTime.Encode(out, TextValue(fields[1]), -1) != encoding::kStatusOk)
                return encoding::kStatusValueDoesNotFit;
        } else {
            return encoding::kStatusValueDoesNotFit;
        }
        out.push_back(encoding::MakeContextTag(choice, encoding::kLvtClosing));
    }
    return encoding::kStatusOk;
}

}  // namespace coders
