#include "coders/exception_scheduler_coder.hpp"

#include <string>

#include "coders/coder_text.hpp"
#include "encoding/application_values.hpp"
#include "encoding/date_time_text.hpp"
#include "encoding/tags.hpp"
#include "encoding/text_forms.hpp"

namespace coders {
namespace {

constexpr std::size_t kTextCapacity = 1025;
constexpr std::uint8_t kPeriodTag = 0;
constexpr std::uint8_t kDateRangeTag = 1;
constexpr std::uint8_t kTimeValuesTag = 2;
constexpr std::uint8_t kPriorityTag = 3;
constexpr std::uint32_t kDateOctets = 4;
// The value of a ReadProperty-ACK or a ReadPropertyMultiple-ACK ends here.
constexpr std::uint8_t kPropertyValueTags[] = {3, 4};
// Written in place of a date that does not parse.
constexpr std::uint8_t kZeroDate[] = {0x00, 0x00, 0x00, 0x00};

bool EndsPropertyValue(std::uint8_t tagByte) {
    return TagIs(tagByte, kPropertyValueTags[0], encoding::kLvtClosing) ||
           TagIs(tagByte, kPropertyValueTags[1], encoding::kLvtClosing);
}

// One special event from data[pos] into text; false when out of shape.
bool DecodeEvent(const std::uint8_t* data, std::uint32_t length, std::uint32_t& pos, std::u16string& text) {
    const auto at = [&](std::uint8_t number, std::uint8_t lvt) {
        return pos < length && TagIs(data[pos], number, lvt);
    };
    if (!at(kPeriodTag, encoding::kLvtOpening)) return false;
    ++pos;
    if (at(kDateRangeTag, encoding::kLvtOpening)) {
        const auto start = DecodeValueText(data, length, pos + 1, kTextCapacity);
        if (!start) return false;
        const auto end = DecodeValueText(data, length, pos + 1 + start->consumed, kTextCapacity);
        if (!end) return false;
        pos += 1 + start->consumed + end->consumed;
        if (!at(kDateRangeTag, encoding::kLvtClosing)) return false;
        ++pos;
        text += start->text + u',' + end->text;
    } else {
        // Whatever tag stands here, the four octets behind it are read as a date.
        if (pos >= length || length - pos < 1 + kDateOctets) return false;
        text += encoding::DateText(data + pos + 1);
        pos += 1 + kDateOctets;
    }
    text += u';';
    if (!at(kPeriodTag, encoding::kLvtClosing)) return false;
    ++pos;
    if (!at(kTimeValuesTag, encoding::kLvtOpening)) return false;
    ++pos;
    while (!at(kTimeValuesTag, encoding::kLvtClosing)) {
        const auto time = DecodeValueText(data, length, pos, kTextCapacity);
        if (!time) return false;
        pos += time->consumed;
        const auto entry = DecodeValueText(data, length, pos, kTextCapacity);
        if (!entry) return false;
        pos += entry->consumed;
        text += time->text + u'/' + SignedText(entry->tagNumber) + u':' + entry->text;
        if (!at(kTimeValuesTag, encoding::kLvtClosing)) text += u',';
    }
    ++pos;
    text += u';';
    if (at(kPriorityTag, 1)) {
        if (length - pos < 2) return false;
        text += UnsignedText(data[pos + 1]);
        pos += 2;
    }
    return true;
}

void AppendZeroDate(encoding::ByteVector& out, std::uint8_t tagByte) {
    out.push_back(tagByte);
    out.insert(out.end(), std::begin(kZeroDate), std::end(kZeroDate));
}

}  // namespace

void ExceptionSchedulerCoder::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                                     std::int32_t, std::uint32_t& consumed) {
    consumed = 0;
    if (data == nullptr || length == 0) return;
    if (EndsPropertyValue(data[0])) {
        ::StoreText(&value, u"");
        return;
    }
    std::u16string text;
    std::uint32_t pos = 0;
    while (true) {
        if (!DecodeEvent(data, length, pos, text) || pos >= length) return;
        if (TagIs(data[pos], kPeriodTag, encoding::kLvtOpening)) {
            text += u'|';
            continue;
        }
        if (!EndsPropertyValue(data[pos])) return;
        ::StoreText(&value, text.c_str());
        consumed = pos;
        return;
    }
}

std::uint32_t ExceptionSchedulerCoder::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    const std::u16string text = HostText(value);
    for (const auto event : SplitText(text, u"|")) {
        if (event.empty()) continue;
        const auto fields = SplitText(event, u";");
        if (fields.size() != 3) return encoding::kStatusValueDoesNotFit;

        out.push_back(encoding::MakeContextTag(kPeriodTag, encoding::kLvtOpening));
        const auto period = SplitText(fields[0], u",");
        if (period.size() < 2) {
            if (encoding::TextToContextDate(out, fields[0], kPeriodTag, kDateOctets) != encoding::kStatusOk)
                AppendZeroDate(out, encoding::MakeContextTag(kPeriodTag, kDateOctets));
        } else {
            out.push_back(encoding::MakeContextTag(kDateRangeTag, encoding::kLvtOpening));
            for (std::size_t i = 0; i < 2; ++i) {
                if (encoding::EncodeApplicationValue(out, TextValue(period[i]), encoding::kTagDate) !=
                    encoding::kStatusOk)
                    AppendZeroDate(out, encoding::MakeApplicationTag(encoding::kTagDate, kDateOctets));
            }
            out.push_back(encoding::MakeContextTag(kDateRangeTag, encoding::kLvtClosing));
        }
        out.push_back(encoding::MakeContextTag(kPeriodTag, encoding::kLvtClosing));

        out.push_back(encoding::MakeContextTag(kTimeValuesTag, encoding::kLvtOpening));
        for (const auto item : SplitText(fields[1], u",")) {
            const auto parts = SplitText(item, u"/");
            if (parts.size() != 2) continue;
            encoding::TextToTime(out, parts[0]);
            const auto valueParts = SplitText(parts[1], u":");
            if (valueParts.size() < 2) continue;
            // The value keeps its own colons (times, object identifiers).
            const std::u16string_view valueText = parts[1].substr(valueParts[0].size() + 1);
            encoding::EncodeApplicationValue(out, TextValue(valueText), encoding::ReadLeadingInteger(valueParts[0]));
        }
        out.push_back(encoding::MakeContextTag(kTimeValuesTag, encoding::kLvtClosing));

        out.push_back(encoding::MakeContextTag(kPriorityTag, 1));
        out.push_back(static_cast<std::uint8_t>(encoding::ReadLeadingInteger(fields[2])));
    }
    return encoding::kStatusOk;
}

}  // namespace coders
