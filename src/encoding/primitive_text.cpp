#include "encoding/primitive_text.hpp"

#include "encoding/number_text.hpp"
#include "encoding/tags.hpp"
#include "encoding/text_forms.hpp"

namespace encoding {
namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f'; }

// One pair read as a C base-16 conversion reads it, which must take both
// characters: two hex digits, or one behind a blank or a sign ("-1" is 0xFF).
bool ReadHexPair(char16_t first, char16_t second, std::uint8_t& out) {
    const int low = HexValue(second);
    if (low < 0) return false;
    const int high = HexValue(first);
    if (high >= 0) {
        out = static_cast<std::uint8_t>(high * 16 + low);
    } else if (IsBlank(first) || first == u'+') {
        out = static_cast<std::uint8_t>(low);
    } else if (first == u'-') {
        out = static_cast<std::uint8_t>(-low);
    } else {
        return false;
    }
    return true;
}

bool IsDecimalDigits(std::u16string_view text) {
    if (text.empty()) return false;
    for (char16_t c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

}  // namespace

std::u16string OctetStringText(const std::uint8_t* data, std::size_t n) {
    std::u16string text;
    text.reserve(3 * n);
    for (std::size_t i = 0; i < n; ++i) {
        text += kHexDigits[data[i] >> 4];
        text += kHexDigits[data[i] & 0x0F];
        text += u' ';
    }
    return text;
}

std::u16string BitStringText(const std::uint8_t* data, std::size_t n) {
    if (n == 0) return std::u16string();
    const std::size_t available = 8 * (n - 1);
    const std::size_t unused = data[0];
    if (unused >= available) return std::u16string();
    const std::size_t bits = available - unused;
    std::u16string text(bits, u'0');
    for (std::size_t i = 0; i < bits; ++i)
        if ((data[1 + i / 8] >> (7 - i % 8)) & 1) text[i] = u'1';
    return text;
}

std::u16string ObjectIdentifierText(const std::uint8_t* content) {
    const ObjectIdentifier id = DecodeObjectIdentifier(content);
    std::u16string text;
    AppendDecimal(text, id.type);
    text += u':';
    AppendDecimal(text, id.instance);
    return text;
}

int TextToOctetString(ByteVector& out, std::u16string_view text) {
    if (text.size() % 2 != 0) return kStatusValueDoesNotFit;
    ByteVector octets;
    octets.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        std::uint8_t octet = 0;
        if (!ReadHexPair(text[i], text[i + 1], octet)) return kStatusValueDoesNotFit;
        octets.push_back(octet);
    }
    EncodeOctetStringBytes(out, static_cast<std::uint32_t>(octets.size()));
    out.insert(out.end(), octets.begin(), octets.end());
    return kStatusOk;
}

int TextToBitString(ByteVector& out, std::u16string_view text) {
    for (char16_t c : text)
        if (c != u'0' && c != u'1') return kStatusValueDoesNotFit;
    const std::size_t bitOctets = (text.size() + 7) / 8;
    const auto unused = static_cast<std::uint8_t>((8 - text.size() % 8) % 8);
    EncodeBitStringBits(out, static_cast<std::uint32_t>(bitOctets + 1), unused);
    const std::size_t first = out.size();
    out.resize(first + bitOctets, 0);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == u'1') out[first + i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
    return kStatusOk;
}

int TextToObjectIdentifier(ByteVector& out, std::u16string_view text) {
    const auto fields = SplitText(text, u":");
    if (fields.size() != 2 || !IsDecimalDigits(fields[0]) || !IsDecimalDigits(fields[1]))
        return kStatusValueDoesNotFit;
    const std::int32_t type = ReadLeadingInteger(fields[0]);
    const std::int32_t instance = ReadLeadingInteger(fields[1]);
    EncodeObjectIdentifier(out, static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(instance));
    return kStatusOk;
}

}  // namespace encoding
