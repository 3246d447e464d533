#include "coders/bacnet_daily_scheduler_coder.hpp"

#include <string>
#include <vector>

#include "coders/coder_text.hpp"
#include "encoding/application_values.hpp"
#include "encoding/date_time_text.hpp"
#include "encoding/tags.hpp"
#include "encoding/text_forms.hpp"

namespace coders {
namespace {

constexpr std::size_t kTextCapacity = 1025;
// Each item is formatted into a buffer of this many characters.
constexpr std::size_t kItemCapacity = 1024;
// Longer days are not read: the time behind the last pair is left for the
// caller, whose closing-tag test then refuses the value.
constexpr std::size_t kMaxPairs = 100;
constexpr std::uint8_t kTimeLength = 4;

bool IsTime(std::uint8_t tagByte) { return TagIs(tagByte, encoding::kTagTime, kTimeLength); }

}  // namespace

void BACnetDailySchedulerCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                       std::int32_t, std::uint32_t& consumed) {
    consumed = 0;
    if (data == nullptr || length == 0 || !IsTime(data[0])) return;
    std::vector<std::u16string> items;
    std::uint32_t pos = 0;
    while (pos < length && IsTime(data[pos]) && items.size() < kMaxPairs) {
        const auto time = DecodeValueText(data, length, pos, kTextCapacity);
        if (!time) return;
        const auto entry = DecodeValueText(data, length, pos + time->consumed, kTextCapacity);
        if (!entry) return;
        std::u16string item = time->text + u',' + SignedText(entry->tagNumber) + u',' + entry->text;
        if (item.size() >= kItemCapacity) item.resize(kItemCapacity - 1);
        items.push_back(std::move(item));
        pos += time->consumed + entry->consumed;
    }
    const std::u16string text = JoinText(items, u';');
    ::AssignText(&value, text.c_str());
    consumed = pos;
}

std::uint32_t BACnetDailySchedulerCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    const std::u16string text = HostText(value);
    for (const auto item : SplitText(text, u";")) {
        const auto fields = SplitText(item, u",");
        if (fields.size() != 3) return encoding::kStatusValueDoesNotFit;
        if (encoding::TextToTime(out, fields[0]) != encoding::kStatusOk) return encoding::kStatusValueDoesNotFit;
        const std::int32_t datatype = encoding::ReadLeadingInteger(fields[1]);
        if (encoding::EncodeApplicationValue(out, TextValue(fields[2]), datatype) != encoding::kStatusOk)
            return encoding::kStatusValueDoesNotFit;
    }
    return encoding::kStatusOk;
}

}  // namespace coders
