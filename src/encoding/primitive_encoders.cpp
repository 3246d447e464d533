// Application-tagged primitive values appended to a request or answer body.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "encoding/tags.hpp"
#include "platform/local_time.hpp"
#include "platform/utf.hpp"

namespace encoding {
namespace {

static_assert(sizeof(float) == 4 && std::numeric_limits<float>::is_iec559);
static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559);

constexpr std::uint8_t kUnspecified = 255;
// The year octet is year - 1900, so the last year it can carry is 2155,
// which doubles as "unspecified".
constexpr std::int32_t kFirstYear = 1900;
constexpr std::int32_t kLastYear = 2155;
constexpr std::uint8_t kCharacterSetUtf8 = 0;

std::uint8_t TagOr(std::uint8_t tagByte, std::uint8_t applicationTag) {
    return tagByte != 0 ? tagByte : applicationTag;
}

// The low `octets` octets of value, most significant first.
void AppendBigEndian(ByteVector& out, std::uint64_t value, int octets) {
    for (int i = octets - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool InRangeOrUnspecified(std::int32_t value, std::int32_t low, std::int32_t high) {
    return value == kUnspecified || (value >= low && value <= high);
}

}  // namespace

void EncodeUnsignedWithTag(ByteVector& out, std::uint32_t value, std::uint8_t tagByte) {
    out.push_back(tagByte);
    AppendBigEndian(out, value, UnsignedOctetCount(value));
}

void EncodeUnsigned(ByteVector& out, std::uint32_t value) {
    EncodeUnsignedWithTag(out, value, MakeApplicationTag(kTagUnsigned, UnsignedOctetCount(value)));
}

void EncodeEnumerated(ByteVector& out, std::uint32_t value) {
    EncodeUnsignedWithTag(out, value, MakeApplicationTag(kTagEnumerated, UnsignedOctetCount(value)));
}

void EncodeSigned(ByteVector& out, std::int32_t value, std::uint8_t tagByte, bool alwaysFour) {
    int octets = 4;
    if (!alwaysFour) {
        if (value >= -128 && value <= 127) {
            octets = 1;
        } else if (value >= -8388608 && value <= 8388607) {
            octets = 3;
        }
    }
    out.push_back(TagOr(tagByte, MakeApplicationTag(kTagSigned, octets)));
    AppendBigEndian(out, static_cast<std::uint32_t>(value), octets);
}

void EncodeReal(ByteVector& out, float value, std::uint8_t tagByte) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    out.push_back(TagOr(tagByte, MakeApplicationTag(kTagReal, 4)));
    AppendBigEndian(out, bits, 4);
}

void EncodeDouble(ByteVector& out, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    out.push_back(MakeApplicationTag(kTagDouble, kLvtExtendedLength));
    WriteExtendedLength(out, 8);
    AppendBigEndian(out, bits, 8);
}

void EncodeObjectIdentifier(ByteVector& out, std::uint32_t type, std::uint32_t instance) {
    EncodeObjectIdentifierWithTag(out, type, instance, MakeApplicationTag(kTagObjectIdentifier, 4));
}

void EncodeObjectIdentifierWithTag(ByteVector& out, std::uint32_t type, std::uint32_t instance,
                                   std::uint8_t tagByte) {
    out.push_back(tagByte);
    AppendBigEndian(out, ((type & 0x3FFu) << 22) | (instance & 0x3FFFFFu), 4);
}

void EncodeBoolean(ByteVector& out, bool value) { out.push_back(MakeApplicationTag(kTagBoolean, value ? 1 : 0)); }

int EncodeDate(ByteVector& out, std::int32_t day, std::int32_t month, std::int32_t year) {
    if (!InRangeOrUnspecified(year, kFirstYear, kLastYear) || !InRangeOrUnspecified(day, 1, 31) ||
        !InRangeOrUnspecified(month, 1, 12)) {
        return kStatusValueDoesNotFit;
    }
    if (year == kUnspecified) year = kLastYear;
    out.push_back(MakeApplicationTag(kTagDate, 4));
    out.push_back(static_cast<std::uint8_t>(year - kFirstYear));
    out.push_back(static_cast<std::uint8_t>(month));
    out.push_back(static_cast<std::uint8_t>(day));
    // A weekday only for a whole date. Year 2155 shares its octet with the
    // unspecified year, so it counts as unspecified. A date that does not
    // exist (31 February) has no weekday either.
    std::uint8_t weekday = kUnspecified;
    if (year != kLastYear && day != kUnspecified && month != kUnspecified) {
        const int computed = platform::WeekdayOf(year, month, day);
        if (computed != 0) weekday = static_cast<std::uint8_t>(computed);
    }
    out.push_back(weekday);
    return kStatusOk;
}

int EncodeTime(ByteVector& out, std::int32_t hour, std::int32_t minute, std::int32_t second,
               std::int32_t hundredths) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || hundredths < 0 ||
        hundredths > 99) {
        return kStatusValueDoesNotFit;
    }
    out.push_back(MakeApplicationTag(kTagTime, 4));
    out.push_back(static_cast<std::uint8_t>(hour));
    out.push_back(static_cast<std::uint8_t>(minute));
    out.push_back(static_cast<std::uint8_t>(second));
    out.push_back(static_cast<std::uint8_t>(hundredths));
    return kStatusOk;
}

void EncodeCharacterString(ByteVector& out, std::u16string_view text) {
    const std::string utf8 = platform::Utf16ToUtf8(text);
    // Content length: the character-set octet plus the text bytes.
    const auto length = static_cast<std::uint32_t>(utf8.size() + 1);
    out.push_back(MakeApplicationTag(kTagCharacterString, std::min<std::uint32_t>(length, kLvtExtendedLength)));
    WriteExtendedLength(out, length);
    out.push_back(kCharacterSetUtf8);
    out.insert(out.end(), utf8.begin(), utf8.end());
}

void EncodeOctetStringBytes(ByteVector& out, std::uint32_t n) {
    out.push_back(MakeApplicationTag(kTagOctetString, std::min<std::uint32_t>(n, kLvtExtendedLength)));
    WriteExtendedLength(out, n);
}

void EncodeBitStringBits(ByteVector& out, std::uint32_t totalOctets, std::uint8_t unusedBits) {
    out.push_back(MakeApplicationTag(kTagBitString, std::min<std::uint32_t>(totalOctets, kLvtExtendedLength)));
    WriteExtendedLength(out, totalOctets);
    out.push_back(unusedBits);
}

}  // namespace encoding
