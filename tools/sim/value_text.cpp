#include "sim/value_text.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/local_time.hpp"
#include "sim/ids.hpp"

namespace sim {
namespace {

bool Upper(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == y;
           });
}

template <typename T>
bool Number(std::string_view text, T& value) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// A field of a date or time: a number in range, or "*" for any (255).
bool Field(std::string_view text, int low, int high, int& value) {
    if (text == "*") return value = 255, true;
    return Number(text, value) && value >= low && value <= high;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

bool Hex(std::string_view text, std::vector<std::uint8_t>& octets) {
    if (text.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        std::uint8_t byte = 0;
        const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, byte, 16);
        if (ec != std::errc() || end != text.data() + i + 2) return false;
        octets.push_back(byte);
    }
    return true;
}

bool Quoted(std::string_view text, std::string& out) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return out.assign(text), true;
    out.clear();
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '\\' && i + 2 < text.size()) ++i;
        out.push_back(text[i]);
    }
    return true;
}

bool ParseDate(std::string_view text, Value& value) {
    const auto parts = Split(text, '-');
    int year = 0, month = 0, day = 0;
    if (parts.size() != 3 || !Field(parts[0], 1900, 2154, year) || !Field(parts[1], 1, 14, month) ||
        !Field(parts[2], 1, 34, day))
        return false;
    int weekday = 255;
    if (year != 255 && month <= 12 && day <= 31) weekday = platform::WeekdayOf(year, month, day);
    value = Value::Date(year, month, day, weekday == 0 ? 255 : weekday);
    return true;
}

bool ParseTime(std::string_view text, Value& value) {
    int hundredths = 0;
    const std::size_t dot = text.find('.');
    if (dot != std::string_view::npos) {
        if (!Field(text.substr(dot + 1), 0, 99, hundredths)) return false;
        text = text.substr(0, dot);
    }
    const auto parts = Split(text, ':');
    int hour = 0, minute = 0, second = 0;
    if (parts.size() < 2 || parts.size() > 3 || !Field(parts[0], 0, 23, hour) || !Field(parts[1], 0, 59, minute) ||
        (parts.size() == 3 && !Field(parts[2], 0, 59, second)))
        return false;
    value = Value::Time(hour, minute, second, hundredths);
    return true;
}

bool ParseLiteral(Kind kind, std::string_view text, Value& value) {
    switch (kind) {
        case Kind::kNull: return text.empty() ? (value = Value::Null(), true) : false;
        case Kind::kBoolean:
            if (Upper(text, "TRUE") || text == "1") return value = Value::Boolean(true), true;
            if (Upper(text, "FALSE") || text == "0") return value = Value::Boolean(false), true;
            return false;
        case Kind::kUnsigned:
        case Kind::kEnumerated: {
            std::uint32_t n = 0;
            if (!Number(text, n)) return false;
            value = kind == Kind::kUnsigned ? Value::Unsigned(n) : Value::Enumerated(n);
            return true;
        }
        case Kind::kSigned: {
            std::int32_t n = 0;
            return Number(text, n) ? (value = Value::Signed(n), true) : false;
        }
        case Kind::kReal: {
            float f = 0;
            return Number(text, f) ? (value = Value::Real(f), true) : false;
        }
        case Kind::kDouble: {
            double d = 0;
            return Number(text, d) ? (value = Value::Double(d), true) : false;
        }
        case Kind::kCharacterString: {
            std::string s;
            Quoted(text, s);
            value = Value::Text(std::move(s));
            return true;
        }
        case Kind::kBitString: {
            std::vector<bool> bits;
            for (char c : text) {
                if (c != '0' && c != '1') return false;
                bits.push_back(c == '1');
            }
            value = Value::Bits(std::move(bits));
            return true;
        }
        case Kind::kOctetString:
        case Kind::kEncoded: {
            std::vector<std::uint8_t> octets;
            if (!Hex(text, octets)) return false;
            value = kind == Kind::kEncoded ? Value::Encoded(std::move(octets)) : Value::OctetString(std::move(octets));
            return true;
        }
        case Kind::kDate: return ParseDate(text, value);
        case Kind::kTime: return ParseTime(text, value);
        case Kind::kObjectIdentifier: {
            const std::size_t colon = text.rfind(':');
            std::uint32_t instance = 0;
            if (colon == std::string_view::npos || !Number(text.substr(colon + 1), instance) || instance > 4194303)
                return false;
            const auto type = ObjectTypeFromName(text.substr(0, colon));
            return type ? (value = Value::ObjectId(*type, instance), true) : false;
        }
    }
    return false;
}

struct Prefix {
    std::string_view name;
    Kind kind;
};

constexpr Prefix kPrefixes[] = {
    {"NULL", Kind::kNull}, {"BOOL", Kind::kBoolean}, {"UNSIGNED", Kind::kUnsigned}, {"UINT", Kind::kUnsigned},
    {"SIGNED", Kind::kSigned}, {"INT", Kind::kSigned}, {"REAL", Kind::kReal}, {"DOUBLE", Kind::kDouble},
    {"OCTETS", Kind::kOctetString}, {"STR", Kind::kCharacterString}, {"BITS", Kind::kBitString},
    {"ENUM", Kind::kEnumerated}, {"DATE", Kind::kDate}, {"TIME", Kind::kTime}, {"OID", Kind::kObjectIdentifier},
    {"RAW", Kind::kEncoded},
};

}  // namespace

bool ParseValueText(std::string_view text, const Value* like, Value& value, std::string& error) {
    if (Upper(text, "NULL")) return value = Value::Null(), true;
    if (Upper(text, "TRUE") || Upper(text, "FALSE")) return ParseLiteral(Kind::kBoolean, text, value);
    if (!text.empty() && text.front() == '"') return ParseLiteral(Kind::kCharacterString, text, value);
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        for (const Prefix& prefix : kPrefixes) {
            if (!Upper(text.substr(0, colon), prefix.name)) continue;
            if (ParseLiteral(prefix.kind, text.substr(colon + 1), value)) return true;
            error = "not a valid " + std::string(prefix.name) + " value: " + std::string(text);
            return false;
        }
    }
    if (like == nullptr) {
        error = "give the datatype of " + std::string(text) + " (e.g. REAL:" + std::string(text) + ")";
        return false;
    }
    if (ParseLiteral(like->kind, text, value)) return true;
    error = "not a value of the property's datatype (" + DescribeValue(*like) + "): " + std::string(text);
    return false;
}

bool ParsePropertyText(std::string_view text, const Value* like, std::vector<Value>& values, bool& isArray,
                       std::string& error) {
    values.clear();
    isArray = !text.empty() && text.front() == '[';
    if (!isArray) {
        Value value;
        if (!ParseValueText(text, like, value, error)) return false;
        values.push_back(std::move(value));
        return true;
    }
    if (text.back() != ']') return error = "missing ] in " + std::string(text), false;
    text = text.substr(1, text.size() - 2);
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '\\' && quoted) {
            ++i;
            continue;
        }
        if (i < text.size() && text[i] == '"') quoted = !quoted;
        if (i < text.size() && (quoted || text[i] != ',')) continue;
        std::string_view item = text.substr(start, i - start);
        while (!item.empty() && std::isspace(static_cast<unsigned char>(item.front()))) item.remove_prefix(1);
        while (!item.empty() && std::isspace(static_cast<unsigned char>(item.back()))) item.remove_suffix(1);
        start = i + 1;
        if (item.empty() && i == text.size() && values.empty()) break;  // "[]"
        Value value;
        if (!ParseValueText(item, like, value, error)) return false;
        values.push_back(std::move(value));
    }
    return true;
}

}  // namespace sim
