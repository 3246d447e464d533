// BACnet tags and primitive values at the byte level: composing and splitting
// tag bytes, lengths, and the content octets of each primitive datatype.
// Stateless free functions; nothing here throws or fails on bad input except
// where a status is returned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "encoding/byte_vector.hpp"

namespace encoding {

inline constexpr int kStatusOk = 0;
// The value does not fit its datatype; the caller sends nothing.
inline constexpr int kStatusValueDoesNotFit = 18;

// Application tag numbers, which double as the driver's datatype codes.
enum ApplicationTag : std::uint8_t {
    kTagNull = 0,
    kTagBoolean = 1,
    kTagUnsigned = 2,
    kTagSigned = 3,
    kTagReal = 4,
    kTagDouble = 5,
    kTagOctetString = 6,
    kTagCharacterString = 7,
    kTagBitString = 8,
    kTagEnumerated = 9,
    kTagDate = 10,
    kTagTime = 11,
    kTagObjectIdentifier = 12,
};

// Length/value/type field values with a meaning of their own.
inline constexpr std::uint8_t kLvtExtendedLength = 5;
inline constexpr std::uint8_t kLvtOpening = 6;
inline constexpr std::uint8_t kLvtClosing = 7;

// ---- Tag bytes and lengths ------------------------------------------------

// Only the one-octet tag form exists here: tag numbers above 14 are cut to
// their four bits, never escaped.
std::uint8_t MakeApplicationTag(std::uint32_t tagNumber, std::uint32_t lvt);
std::uint8_t MakeContextTag(std::uint32_t tagNumber, std::uint32_t lvt);

struct TagFields {
    std::uint8_t tagNumber;  // 0..15; 15 is not an escape here
    std::uint8_t lvt;        // 0..7
};

// The class bit is dropped: callers know from the position which class to expect.
// (Inline, as the small content decoders below: answers call them per value.)
inline TagFields SplitTagByte(std::uint8_t tagByte) {
    return TagFields{static_cast<std::uint8_t>(tagByte >> 4), static_cast<std::uint8_t>(tagByte & 7)};
}

// The content length behind a tag byte. data points at the byte after the tag
// byte. With LVT 5, consumed receives the number of extended-length octets
// read; otherwise it is left untouched. Extended-length octets that are not
// all available give 0, as does an available length of 0.
std::uint32_t DecodeLength(const std::uint8_t* data, std::size_t available, std::uint8_t lvt,
                           std::size_t& consumed);

// 1..4: the fewest octets that hold value.
inline int UnsignedOctetCount(std::uint32_t value) {
    if (value < 0x100u) return 1;
    if (value < 0x10000u) return 2;
    if (value < 0x1000000u) return 3;
    return 4;
}

// The octets that follow a tag byte with LVT 5; nothing for n below 5.
void WriteExtendedLength(ByteVector& out, std::uint32_t n);

// ---- Content decoders -----------------------------------------------------
// data points at the first content octet. The caller has already checked
// that the octets are available.

// n octets, big-endian; 0 for n <= 0. Octets beyond four push the earliest out.
inline std::uint32_t DecodeUnsigned(const std::uint8_t* data, int n) {
    // The usual widths without a loop: answers hold one or more per value.
    switch (n) {
    case 1: return data[0];
    case 2: return std::uint32_t{data[0]} << 8 | data[1];
    case 3: return std::uint32_t{data[0]} << 16 | std::uint32_t{data[1]} << 8 | data[2];
    case 4:
        return std::uint32_t{data[0]} << 24 | std::uint32_t{data[1]} << 16 | std::uint32_t{data[2]} << 8 | data[3];
    default: {
        std::uint32_t value = 0;
        for (int i = 0; i < n; ++i) value = (value << 8) | data[i];
        return value;
    }
    }
}

// n octets as a two's-complement number (n 1..4); 0 for n <= 0.
std::int32_t DecodeSigned(const std::uint8_t* data, int n);

// Only the exact tag byte 0x11 reads as true.
bool DecodeBoolean(std::uint8_t tagByte);

struct ObjectIdentifier {
    std::uint32_t type;      // 0..1023
    std::uint32_t instance;  // 0..4194303
};

// Four octets.
inline ObjectIdentifier DecodeObjectIdentifier(const std::uint8_t* data) {
    const std::uint32_t word = DecodeUnsigned(data, 4);
    return ObjectIdentifier{word >> 22, word & 0x3FFFFFu};
}

// Four octets of an IEEE 754 single.
inline float DecodeReal(const std::uint8_t* data) {
    static_assert(sizeof(float) == 4);
    const std::uint32_t bits = DecodeUnsigned(data, 4);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// data points at the length octet (8) behind the tag byte 0x55; the eight
// octets of the IEEE 754 double follow it.
double DecodeDouble(const std::uint8_t* data);

// n content octets: the character set, then the text. Only set 0 (UTF-8) is
// converted; any other set gives an empty text.
std::u16string DecodeCharacterString(const std::uint8_t* data, std::size_t n);

// ---- Encoders -------------------------------------------------------------
// Each appends to out. A tagByte of 0 means "the application tag".

// tagByte, then value in UnsignedOctetCount(value) octets. The caller's tag
// byte carries the matching LVT; this is how context-tagged unsigneds go out.
void EncodeUnsignedWithTag(ByteVector& out, std::uint32_t value, std::uint8_t tagByte);
void EncodeUnsigned(ByteVector& out, std::uint32_t value);
void EncodeEnumerated(ByteVector& out, std::uint32_t value);

// One, three or four octets (never two), or always four when asked. A given
// tag byte is written unchanged; its LVT must match the octet count.
void EncodeSigned(ByteVector& out, std::int32_t value, std::uint8_t tagByte = 0, bool alwaysFour = false);

void EncodeReal(ByteVector& out, float value, std::uint8_t tagByte = 0);
void EncodeDouble(ByteVector& out, double value);

// Only the low 10 bits of the type and 22 bits of the instance are carried.
void EncodeObjectIdentifier(ByteVector& out, std::uint32_t type, std::uint32_t instance);
void EncodeObjectIdentifierWithTag(ByteVector& out, std::uint32_t type, std::uint32_t instance,
                                   std::uint8_t tagByte);

void EncodeBoolean(ByteVector& out, bool value);

// 255 in any field means unspecified; year is the full year (1900..2155).
// The day of week is computed. Out-of-range fields give 18 and append nothing.
int EncodeDate(ByteVector& out, std::int32_t day, std::int32_t month, std::int32_t year);

// All four fields must be in range (no unspecified fields); else 18, nothing appended.
int EncodeTime(ByteVector& out, std::int32_t hour, std::int32_t minute, std::int32_t second,
               std::int32_t hundredths);

// Character set 0 with the text as UTF-8.
void EncodeCharacterString(ByteVector& out, std::u16string_view text);

// The tag and length of an octet string of n octets; the caller appends them.
void EncodeOctetStringBytes(ByteVector& out, std::uint32_t n);

// The tag, length and unused-bits octet of a bit string of totalOctets
// content octets; the caller appends the totalOctets - 1 bit octets.
void EncodeBitStringBits(ByteVector& out, std::uint32_t totalOctets, std::uint8_t unusedBits);

}  // namespace encoding
