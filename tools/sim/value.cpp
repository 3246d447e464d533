#include "sim/value.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "encoding/tags.hpp"
#include "sim/tag_reader.hpp"

namespace sim {
namespace {

constexpr std::size_t kLongestHeader = 6;  // tag octet, 255, four length octets

// The tag and length of a value with length content octets.
std::uint8_t* PutTagAndLength(std::uint8_t* at, Kind kind, std::size_t length) {
    const auto n = static_cast<std::uint32_t>(length);
    *at++ = ApplicationTag(static_cast<std::uint32_t>(kind), static_cast<std::uint8_t>(std::min<std::uint32_t>(n, 5)));
    if (n < 5) return at;
    if (n <= 253) {
        *at++ = static_cast<std::uint8_t>(n);
        return at;
    }
    *at++ = n <= 0xFFFFu ? 254 : 255;
    return PutBigEndian(at, n, n <= 0xFFFFu ? 2 : 4);
}

// Two's complement in the fewest octets that keep the sign.
std::uint8_t* PutSignedMinimal(std::uint8_t* at, std::int32_t value) {
    int octets = 4;
    if (value >= -128 && value <= 127)
        octets = 1;
    else if (value >= -32768 && value <= 32767)
        octets = 2;
    else if (value >= -8388608 && value <= 8388607)
        octets = 3;
    *at++ = ApplicationTag(encoding::kTagSigned, static_cast<std::uint8_t>(octets));
    return PutBigEndian(at, static_cast<std::uint32_t>(value), octets);
}

// A value of kind with its content octets.
void PutWithContent(OctetWriter& out, Kind kind, const std::uint8_t* content, std::size_t length) {
    std::uint8_t* at = PutTagAndLength(out.Room(kLongestHeader + length), kind, length);
    if (length != 0) std::memcpy(at, content, length);
    out.Commit(at + length);
}

}  // namespace

Value Value::Boolean(bool b) { Value v; v.kind = Kind::kBoolean; v.boolean = b; return v; }
Value Value::Unsigned(std::uint32_t u) { Value v; v.kind = Kind::kUnsigned; v.number = u; return v; }
Value Value::Signed(std::int32_t i) { Value v; v.kind = Kind::kSigned; v.integer = i; return v; }
Value Value::Real(float f) { Value v; v.kind = Kind::kReal; v.real = f; return v; }
Value Value::Double(double d) { Value v; v.kind = Kind::kDouble; v.dbl = d; return v; }
Value Value::OctetString(std::vector<std::uint8_t> octets) { Value v; v.kind = Kind::kOctetString; v.octets = std::move(octets); return v; }
Value Value::Text(std::string utf8) { Value v; v.kind = Kind::kCharacterString; v.text = std::move(utf8); return v; }
Value Value::Bits(std::vector<bool> bits) { Value v; v.kind = Kind::kBitString; v.bits = std::move(bits); return v; }
Value Value::Enumerated(std::uint32_t e) { Value v; v.kind = Kind::kEnumerated; v.number = e; return v; }
Value Value::Encoded(std::vector<std::uint8_t> octets) { Value v; v.kind = Kind::kEncoded; v.octets = std::move(octets); return v; }

Value Value::Date(int year, int month, int day, int weekday) {
    Value v;
    v.kind = Kind::kDate;
    v.octets = {static_cast<std::uint8_t>(year == 255 ? 255 : year - 1900), static_cast<std::uint8_t>(month),
                static_cast<std::uint8_t>(day), static_cast<std::uint8_t>(weekday)};
    return v;
}

Value Value::Time(int hour, int minute, int second, int hundredths) {
    Value v;
    v.kind = Kind::kTime;
    v.octets = {static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second),
                static_cast<std::uint8_t>(hundredths)};
    return v;
}

Value Value::ObjectId(std::uint32_t type, std::uint32_t instance) {
    Value v;
    v.kind = Kind::kObjectIdentifier;
    v.number = type;
    v.instance = instance;
    return v;
}

bool Value::operator==(const Value& o) const {
    if (kind != o.kind) return false;
    switch (kind) {
        case Kind::kNull: return true;
        case Kind::kBoolean: return boolean == o.boolean;
        case Kind::kUnsigned:
        case Kind::kEnumerated: return number == o.number;
        case Kind::kSigned: return integer == o.integer;
        case Kind::kReal: return real == o.real;
        case Kind::kDouble: return dbl == o.dbl;
        case Kind::kCharacterString: return text == o.text;
        case Kind::kBitString: return bits == o.bits;
        case Kind::kObjectIdentifier: return number == o.number && instance == o.instance;
        default: return octets == o.octets;
    }
}

void EncodeOtherValue(OctetWriter& out, const Value& v) {
    switch (v.kind) {
        case Kind::kNull: out.Put(ApplicationTag(encoding::kTagNull, 0)); return;
        case Kind::kBoolean: out.Put(ApplicationTag(encoding::kTagBoolean, v.boolean ? 1 : 0)); return;
        case Kind::kObjectIdentifier:
            out.Commit(PutObjectIdentifier(out.Room(5), ApplicationTag(encoding::kTagObjectIdentifier, 4), v.number,
                                           v.instance));
            return;
        case Kind::kSigned: out.Commit(PutSignedMinimal(out.Room(5), v.integer)); return;
        case Kind::kDouble: {
            std::uint64_t bits;
            std::memcpy(&bits, &v.dbl, sizeof bits);
            std::uint8_t* at = out.Room(10);
            *at++ = ApplicationTag(encoding::kTagDouble, encoding::kLvtExtendedLength);
            *at++ = 8;
            at = PutBigEndian(at, static_cast<std::uint32_t>(bits >> 32), 4);
            out.Commit(PutBigEndian(at, static_cast<std::uint32_t>(bits), 4));
            return;
        }
        case Kind::kCharacterString: {
            std::uint8_t* at = PutTagAndLength(out.Room(kLongestHeader + 1 + v.text.size()), v.kind, v.text.size() + 1);
            *at++ = 0;  // character set: UTF-8
            if (!v.text.empty()) std::memcpy(at, v.text.data(), v.text.size());
            out.Commit(at + v.text.size());
            return;
        }
        case Kind::kBitString: {
            const std::size_t octets = (v.bits.size() + 7) / 8;
            std::uint8_t* at = PutTagAndLength(out.Room(kLongestHeader + 1 + octets), v.kind, octets + 1);
            *at++ = static_cast<std::uint8_t>(octets * 8 - v.bits.size());
            for (std::size_t i = 0; i < octets; ++i) {
                std::uint8_t byte = 0;
                for (std::size_t b = 0; b < 8 && i * 8 + b < v.bits.size(); ++b)
                    if (v.bits[i * 8 + b]) byte |= static_cast<std::uint8_t>(0x80 >> b);
                *at++ = byte;
            }
            out.Commit(at);
            return;
        }
        case Kind::kOctetString:
        case Kind::kDate:
        case Kind::kTime: PutWithContent(out, v.kind, v.octets.data(), v.octets.size()); return;
        case Kind::kEncoded: out.Put(v.octets.data(), v.octets.size()); return;
        default: return;  // the kinds EncodeValue encodes
    }
}

void EncodeValue(encoding::ByteVector& out, const Value& value) {
    OctetWriter writer(std::move(out));
    EncodeValue(writer, value);
    out = writer.Take();
}

bool DecodeValue(const std::uint8_t* data, std::size_t available, Value& value, std::size_t& consumed) {
    Tag tag;
    if (!ReadTag(data, available, tag) || tag.context || tag.opening || tag.closing || tag.number > 12) return false;
    const std::uint8_t* p = data + tag.headerSize;
    const std::uint32_t n = tag.length;
    Value v;
    v.kind = static_cast<Kind>(tag.number);
    switch (v.kind) {
        case Kind::kNull:
            if (n != 0) return false;
            break;
        case Kind::kBoolean: v.boolean = tag.lvt == 1; if (tag.lvt > 1) return false; break;
        case Kind::kUnsigned:
        case Kind::kEnumerated:
            if (n < 1 || n > 4) return false;
            v.number = encoding::DecodeUnsigned(p, static_cast<int>(n));
            break;
        case Kind::kSigned:
            if (n < 1 || n > 4) return false;
            v.integer = encoding::DecodeSigned(p, static_cast<int>(n));
            break;
        case Kind::kReal:
            if (n != 4) return false;
            v.real = encoding::DecodeReal(p);
            break;
        case Kind::kDouble:
            if (n != 8) return false;
            v.dbl = encoding::DecodeDouble(p - 1);  // it skips the length octet
            break;
        case Kind::kCharacterString:
            if (n < 1 || p[0] != 0) return false;  // only UTF-8
            v.text.assign(reinterpret_cast<const char*>(p + 1), n - 1);
            break;
        case Kind::kBitString: {
            if (n < 1 || p[0] > 7 || (n == 1 && p[0] != 0)) return false;
            const std::size_t count = (n - 1) * 8 - p[0];
            for (std::size_t i = 0; i < count; ++i) v.bits.push_back((p[1 + i / 8] & (0x80 >> (i % 8))) != 0);
            break;
        }
        case Kind::kDate:
        case Kind::kTime:
            if (n != 4) return false;
            v.octets.assign(p, p + 4);
            break;
        case Kind::kOctetString: v.octets.assign(p, p + n); break;
        case Kind::kObjectIdentifier: {
            if (n != 4) return false;
            const encoding::ObjectIdentifier id = encoding::DecodeObjectIdentifier(p);
            v.number = id.type;
            v.instance = id.instance;
            break;
        }
        default: return false;
    }
    value = std::move(v);
    consumed = tag.headerSize + n;
    return true;
}

std::string DescribeValue(const Value& v) {
    char buffer[64];
    switch (v.kind) {
        case Kind::kNull: return "NULL";
        case Kind::kBoolean: return v.boolean ? "TRUE" : "FALSE";
        case Kind::kUnsigned: return "UNSIGNED:" + std::to_string(v.number);
        case Kind::kEnumerated: return "ENUM:" + std::to_string(v.number);
        case Kind::kSigned: return "SIGNED:" + std::to_string(v.integer);
        case Kind::kReal: std::snprintf(buffer, sizeof buffer, "REAL:%g", static_cast<double>(v.real)); return buffer;
        case Kind::kDouble: std::snprintf(buffer, sizeof buffer, "DOUBLE:%.17g", v.dbl); return buffer;
        case Kind::kCharacterString: return "STR:\"" + v.text + "\"";
        case Kind::kObjectIdentifier: return "OID:" + std::to_string(v.number) + ":" + std::to_string(v.instance);
        case Kind::kBitString: {
            std::string s = "BITS:";
            for (bool b : v.bits) s += b ? '1' : '0';
            return s;
        }
        default: {
            std::string s = v.kind == Kind::kDate ? "DATE:" : v.kind == Kind::kTime ? "TIME:" : v.kind == Kind::kEncoded ? "RAW:" : "OCTETS:";
            for (std::uint8_t b : v.octets) {
                std::snprintf(buffer, sizeof buffer, "%02X", b);
                s += buffer;
            }
            return s;
        }
    }
}

}  // namespace sim
