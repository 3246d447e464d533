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

namespace {

// The four fields of hour:minute:second.hundredths, each "xx" (255) when
// wildcards are allowed, else a number; false when the text breaks the grammar.
bool ReadTimeFields(std::u16string_view text, bool wildcards, std::int32_t (&fields)[4]) {
    const auto parts = SplitText(text, u":");
    if (parts.size() != 3) return false;
    const auto seconds = SplitText(parts[2], u".");
    if (seconds.size() != 2) return false;
    const std::u16string_view pieces[4] = {parts[0], parts[1], seconds[0], seconds[1]};
    for (int i = 0; i < 4; ++i) {
        if (wildcards && pieces[i] == u"xx")
            fields[i] = kUnspecified;
        else if (!ParseNumber(pieces[i], fields[i]))
            return false;
    }
    return true;
}

}  // namespace

int TextToTime(ByteVector& out, std::u16string_view text) {
    std::int32_t f[4] = {};
    if (!ReadTimeFields(text, false, f)) return kStatusValueDoesNotFit;
    return EncodeTime(out, f[0], f[1], f[2], f[3]);
}

int TextToTimeWithWildcards(ByteVector& out, std::u16string_view text) {
    std::int32_t f[4] = {};
    if (!ReadTimeFields(text, true, f)) return kStatusValueDoesNotFit;
    // Fields that are given keep their ranges; the wildcards take their place.
    std::int32_t given[4] = {};
    for (int i = 0; i < 4; ++i) given[i] = f[i] == kUnspecified ? 0 : f[i];
    ByteVector checked;
    if (EncodeTime(checked, given[0], given[1], given[2], given[3]) != kStatusOk) return kStatusValueDoesNotFit;
    out.push_back(MakeApplicationTag(kTagTime, 4));
    for (const std::int32_t field : f) out.push_back(static_cast<std::uint8_t>(field));
    return kStatusOk;
}

}  // namespace encoding
