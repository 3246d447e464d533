// One property value of the simulated device: an application-tagged
// primitive, or a constructed value kept as its encoded octets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "encoding/byte_vector.hpp"
#include "encoding/tags.hpp"
#include "sim/octet_writer.hpp"

namespace sim {

// The primitive kinds carry their application tag numbers.
enum class Kind : std::uint8_t {
    kNull = 0,
    kBoolean = 1,
    kUnsigned = 2,
    kSigned = 3,
    kReal = 4,
    kDouble = 5,
    kOctetString = 6,
    kCharacterString = 7,
    kBitString = 8,
    kEnumerated = 9,
    kDate = 10,
    kTime = 11,
    kObjectIdentifier = 12,
    kEncoded = 255,  // constructed: the octets go out as they are
};

struct Value {
    Kind kind = Kind::kNull;
    bool boolean = false;
    std::uint32_t number = 0;    // Unsigned, Enumerated; the object type of an identifier
    std::uint32_t instance = 0;  // ObjectIdentifier
    std::int32_t integer = 0;    // Signed
    float real = 0;
    double dbl = 0;
    std::string text;                  // CharacterString, UTF-8
    std::vector<bool> bits;            // BitString
    std::vector<std::uint8_t> octets;  // OctetString; Date and Time (4 octets); Encoded

    static Value Null() { return {}; }
    static Value Boolean(bool b);
    static Value Unsigned(std::uint32_t u);
    static Value Signed(std::int32_t i);
    static Value Real(float f);
    static Value Double(double d);
    static Value OctetString(std::vector<std::uint8_t> octets);
    static Value Text(std::string utf8);
    static Value Bits(std::vector<bool> bits);
    static Value Enumerated(std::uint32_t e);
    // 255 in a field means "any"; the weekday is 1 Monday .. 7 Sunday.
    static Value Date(int year, int month, int day, int weekday);
    static Value Time(int hour, int minute, int second, int hundredths);
    static Value ObjectId(std::uint32_t type, std::uint32_t instance);
    static Value Encoded(std::vector<std::uint8_t> octets);

    bool operator==(const Value& other) const;
};

// The kinds EncodeValue does not encode itself.
void EncodeOtherValue(OctetWriter& out, const Value& value);

// Appends the value's encoding. The present values of analog, binary and
// multi-state objects are encoded here, inline: an answer encodes a value
// for every property it reads.
inline void EncodeValue(OctetWriter& out, const Value& v) {
    switch (v.kind) {
        case Kind::kReal: {
            std::uint32_t bits;
            std::memcpy(&bits, &v.real, sizeof bits);
            std::uint8_t* at = out.Room(5);
            *at++ = ApplicationTag(encoding::kTagReal, 4);
            out.Commit(PutBigEndian(at, bits, 4));
            return;
        }
        case Kind::kUnsigned:
        case Kind::kEnumerated:
            out.Commit(PutUnsigned(out.Room(5), ApplicationTag(static_cast<std::uint8_t>(v.kind), 0), v.number));
            return;
        default: EncodeOtherValue(out, v); return;
    }
}
void EncodeValue(encoding::ByteVector& out, const Value& value);

// One application-tagged primitive at data; false for anything else or for a
// value that runs past the available octets. consumed counts the tag too.
bool DecodeValue(const std::uint8_t* data, std::size_t available, Value& value, std::size_t& consumed);

// A short human-readable form, for logs and test messages.
std::string DescribeValue(const Value& value);

}  // namespace sim
