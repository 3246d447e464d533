#include "encoding/date_time_text.hpp"

#include <vector>

#include "encoding/number_text.hpp"
#include "encoding/tags.hpp"
#include "encoding/text_forms.hpp"

namespace encoding {
namespace {

constexpr std::uint8_t kUnspecified = 255;
constexpr std::int32_t kFirstYear = 1900;
// Bytes of an application-tagged date: tag byte and four content octets.
constexpr std::size_t kDateSize = 5;

void AppendField(std::u16string& out, std::uint8_t octet, std::int32_t offset, std::u16string_view wildcard) {
    if (octet == kUnspecified)
        out.append(wildcard);
    else
        AppendDecimal(out, octet + offset);
}

// A date field: its wildcard, or a number. The wildcard reads as 255, which
// the date encoder takes as unspecified for every field, the year included.
bool ReadDateField(std::u16string_view field, std::u16string_view wildcard, std::int32_t& out) {
    if (field == wildcard) {
        out = kUnspecified;
        return true;
    }
    return ParseNumber(field, out);
}

}  // namespace

std::u16string DateText(const std::uint8_t* content) {
    std::u16string text;
    AppendField(text, content[2], 0, u"xx");
    text += u'-';
    AppendField(text, content[1], 0, u"xx");
    text += u'-';
    AppendField(text, content[0], kFirstYear, u"xxxx");
    return text;
}

std::u16string TimeText(const std::uint8_t* content) {
    std::u16string text;
    AppendField(text, content[0], 0, u"xx");
    text += u':';
    AppendField(text, content[1], 0, u"xx");
    text += u':';
    AppendField(text, content[2], 0, u"xx");
    text += u'.';
    AppendField(text, content[3], 0, u"xx");
    return text;
}

int TextToDate(ByteVector& out, std::u16string_view text) {
    const auto fields = SplitText(text, u"-");
    if (fields.size() != 3) return kStatusValueDoesNotFit;
    std::int32_t day = 0, month = 0, year = 0;
    if (!ReadDateField(fields[0], u"xx", day) || !ReadDateField(fields[1], u"xx", month) ||
        !ReadDateField(fields[2], u"xxxx", year)) {
        return kStatusValueDoesNotFit;
    }
    return EncodeDate(out, day, month, year);
}

int TextToContextDate(ByteVector& out, std::u16string_view text, std::uint32_t contextTag, std::uint32_t lvt) {
    const int status = TextToDate(out, text);
    if (status != kStatusOk) return status;
    out[out.size() - kDateSize] = MakeContextTag(contextTag, lvt);
    return kStatusOk;
}

int TextToTime(ByteVector& out, std::u16string_view text) {
    const auto fields = SplitText(text, u":");
    if (fields.size() != 3) return kStatusValueDoesNotFit;
    const auto seconds = SplitText(fields[2], u".");
    if (seconds.size() != 2) return kStatusValueDoesNotFit;
    std::int32_t hour = 0, minute = 0, second = 0, hundredths = 0;
    if (!ParseNumber(fields[0], hour) || !ParseNumber(fields[1], minute) || !ParseNumber(seconds[0], second) ||
        !ParseNumber(seconds[1], hundredths)) {
        return kStatusValueDoesNotFit;
    }
    return EncodeTime(out, hour, minute, second, hundredths);
}

}  // namespace encoding
