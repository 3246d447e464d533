#include "coders/bacnet_daily_scheduler_array_coder.hpp"

#include <string>
#include <vector>

#include "coders/bacnet_daily_scheduler_coder.hpp"
#include "coders/coder_text.hpp"
#include "encoding/tags.hpp"

namespace coders {
namespace {

constexpr std::size_t kDays = 7;
// Each day's text is fetched into a buffer of this many characters.
constexpr std::size_t kDayCapacity = 1024;
constexpr std::uint8_t kDayTag = 0;

}  // namespace

void BACnetDailySchedulerArrayCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                            std::int32_t closingTag, std::uint32_t& consumed) {
    consumed = 0;
    if (data == nullptr) return;
    BACnetDailySchedulerCoder dayCoder;
    std::vector<std::u16string> days(kDays);
    std::uint32_t pos = 0;
    for (auto& day : days) {
        if (pos >= length || !TagIs(data[pos], kDayTag, encoding::kLvtOpening)) return;
        ++pos;
        HostValue dayValue{};
        std::uint32_t dayConsumed = 0;
        dayCoder.Decode(data + pos, length - pos, dayValue, closingTag, dayConsumed);
        if (dayConsumed > 0) day = HostTextUpTo(dayValue, kDayCapacity);
        pos += dayConsumed;
        if (pos >= length || !TagIs(data[pos], kDayTag, encoding::kLvtClosing)) return;
        ++pos;
    }
    const std::u16string text = JoinText(days, u'|');
    ::AssignText(&value, text.c_str());
    consumed = pos;
}

std::uint32_t BACnetDailySchedulerArrayCoder::Encode(encoding::ByteVector& out, const HostValue& value,
                                                     std::int32_t) {
    const std::u16string text = HostText(value);
    const auto days = SplitText(text, u"|");
    if (days.size() != kDays) return encoding::kStatusValueDoesNotFit;
    BACnetDailySchedulerCoder dayCoder;
    for (const auto day : days) {
        out.push_back(encoding::MakeContextTag(kDayTag, encoding::kLvtOpening));
        if (!day.empty() && dayCoder.Encode(out, TextValue(day), -1) != encoding::kStatusOk)
            return encoding::kStatusValueDoesNotFit;
        out.push_back(encoding::MakeContextTag(kDayTag, encoding::kLvtClosing));
    }
    return encoding::kStatusOk;
}

}  // namespace coders
