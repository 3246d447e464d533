#include "coders/calendar_entry_list.hpp"

#include <algorithm>
#include <string>
#include <string_view>

#include "coders/coder_text.hpp"
#include "encoding/date_time_text.hpp"
#include "encoding/host_value.hpp"
#include "encoding/number_text.hpp"
#include "encoding/tags.hpp"

namespace coders {
namespace {

constexpr std::size_t kTextCapacity = 1025;
constexpr std::uint8_t kDateChoice = 0;
constexpr std::uint8_t kDateRangeChoice = 1;
constexpr std::uint8_t kWeekNDayChoice = 2;
constexpr std::uint32_t kDateOctets = 4;
constexpr std::uint32_t kWeekNDayOctets = 3;
constexpr std::uint8_t kUnspecified = 255;

std::u16string HexText(std::uint8_t octet) {
    constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text;
    if (octet >= 16) text += kDigits[octet >> 4];
    text += kDigits[octet & 0x0F];
    return text;
}

std::u16string WeekNDayToText(const std::uint8_t* octets) {
    return HexText(octets[0]) + u'#' + HexText(octets[1]) + u'#' + HexText(octets[2]);
}

// Hexadecimal digits only, no sign or prefix; the empty field reads as 0.
// Only the low octet is used, so wider values simply wrap.
bool ParseHexNumber(std::u16string_view text, std::uint32_t& out) {
    out = 0;
    for (const char16_t c : text) {
        std::uint32_t digit = 0;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else
            return false;
        out = out * 16 + digit;
    }
    return true;
}

bool TextToWeekNDay(encoding::ByteVector& out, std::u16string_view text) {
    const auto fields = SplitText(text, u"#");
    if (fields.size() != 3) return false;
    std::uint32_t month = 0, week = 0, day = 0;
    if (!ParseHexNumber(fields[0], month) || !ParseHexNumber(fields[1], week) || !ParseHexNumber(fields[2], day))
        return false;
    out.push_back(encoding::MakeContextTag(kWeekNDayChoice, kWeekNDayOctets));
    out.push_back(static_cast<std::uint8_t>(month));
    out.push_back(static_cast<std::uint8_t>(week));
    out.push_back(static_cast<std::uint8_t>(day));
    return true;
}

// A wildcard, all upper or all lower case, or a number in range.
bool ReadCalendarField(std::u16string_view field, std::u16string_view upperWildcard,
                       std::u16string_view lowerWildcard, std::int32_t low, std::int32_t high, std::int32_t& out) {
    if (field == upperWildcard || field == lowerWildcard) {
        out = kUnspecified;
        return true;
    }
    return encoding::ParseNumber(field, out) && out >= low && out <= high;
}

// A single date as context tag 0; the day of week is computed for a whole
// date and unspecified otherwise.
bool TextToCalendarDate(encoding::ByteVector& out, std::u16string_view text) {
    const auto fields = SplitText(text, u"-");
    if (fields.size() != 3) return false;
    std::int32_t day = 0, month = 0, year = 0;
    if (!ReadCalendarField(fields[0], u"XX", u"xx", 1, 31, day) ||
        !ReadCalendarField(fields[1], u"XX", u"xx", 1, 12, month) ||
        !ReadCalendarField(fields[2], u"XXXX", u"xxxx", 1900, 2155, year)) {
        return false;
    }
    const std::size_t start = out.size();
    if (encoding::EncodeDate(out, day, month, year) != encoding::kStatusOk) return false;
    out[start] = encoding::MakeContextTag(kDateChoice, kDateOctets);
    return true;
}

}  // namespace

void CalendarEntryList::Decode(const std::uint8_t* data, std::uint32_t length, HostValue& value,
                               std::int32_t closingTag, std::uint32_t& consumed) {
    consumed = 0;
    if (data == nullptr || length == 0) return;
    if (encoding::SplitTagByte(data[0]).tagNumber == closingTag) {
        ::StoreText(&value, u"");
        return;
    }
    std::u16string text;
    std::uint32_t pos = 0;
    for (bool firstEntry = true;; firstEntry = false) {
        if (pos >= length) return;
        const encoding::TagFields tag = encoding::SplitTagByte(data[pos]);
        if (tag.lvt == encoding::kLvtClosing || tag.tagNumber == closingTag) break;
        if (!firstEntry) text += u'|';
        if (tag.tagNumber == kDateChoice) {
            const std::uint32_t step = 1 + std::max<std::uint32_t>(tag.lvt, kDateOctets);
            if (step > length - pos) return;
            text += encoding::DateText(data + pos + 1);
            pos += 1 + tag.lvt;
        } else if (tag.tagNumber == kDateRangeChoice && tag.lvt == encoding::kLvtOpening) {
            const auto start = DecodeValueText(data, length, pos + 1, kTextCapacity);
            if (!start) return;
            const auto end = DecodeValueText(data, length, pos + 1 + start->consumed, kTextCapacity);
            if (!end) return;
            pos += 1 + start->consumed + end->consumed;
            if (pos >= length) return;
            const encoding::TagFields close = encoding::SplitTagByte(data[pos]);
            if (close.tagNumber != kDateRangeChoice && close.lvt != encoding::kLvtClosing) return;
            ++pos;
            text += start->text + u',' + end->text;
        } else {
            const std::uint32_t step = 1 + std::max<std::uint32_t>(tag.lvt, kWeekNDayOctets);
            if (step > length - pos) return;
            text += WeekNDayToText(data + pos + 1);
            pos += 1 + tag.lvt;
        }
    }
    ::StoreText(&value, text.c_str());
    consumed = pos;
}

std::uint32_t CalendarEntryList::Encode(encoding::ByteVector& out, const HostValue& value, std::int32_t) {
    const std::u16string text = HostText(value);
    const std::u16string_view trimmed = Trim(text);
    if (!encoding::IsTextKind(value.kind) || trimmed.empty()) return encoding::kStatusValueDoesNotFit;
    for (const auto piece : SplitText(trimmed, u"|")) {
        const std::u16string_view entry = Trim(piece);
        if (entry.empty()) continue;
        bool encoded = false;
        if (entry.find(u'#') != std::u16string_view::npos) {
            encoded = TextToWeekNDay(out, entry);
        } else if (entry.find(u',') != std::u16string_view::npos) {
            const auto dates = SplitText(entry, u",");
            if (dates.size() != 2) return encoding::kStatusValueDoesNotFit;
            out.push_back(encoding::MakeContextTag(kDateRangeChoice, encoding::kLvtOpening));
            if (encoding::TextToDate(out, dates[0]) != encoding::kStatusOk ||
                encoding::TextToDate(out, dates[1]) != encoding::kStatusOk) {
                return encoding::kStatusValueDoesNotFit;
            }
            out.push_back(encoding::MakeContextTag(kDateRangeChoice, encoding::kLvtClosing));
            encoded = true;
        } else {
            encoded = TextToCalendarDate(out, entry);
        }
        if (!encoded) return encoding::kStatusValueDoesNotFit;
    }
    return encoding::kStatusOk;
}

}  // namespace coders
