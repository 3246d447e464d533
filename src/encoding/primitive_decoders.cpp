// Content octets of the primitive datatypes, read back into numbers and text.
#include <cstring>
#include <limits>
#include <string_view>

#include "encoding/tags.hpp"
#include "platform/utf.hpp"

namespace encoding {
namespace {

static_assert(sizeof(float) == 4 && std::numeric_limits<float>::is_iec559);
static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559);

constexpr std::uint8_t kTrueTagByte = 0x11;
constexpr std::uint8_t kCharacterSetUtf8 = 0;

std::uint64_t DecodeUnsigned64(const std::uint8_t* data) {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value = (value << 8) | data[i];
    return value;
}

}  // namespace

std::int32_t DecodeSigned(const std::uint8_t* data, int n) {
    if (n <= 0) return 0;
    std::uint32_t value = DecodeUnsigned(data, n);
    // Narrower than 32 bits: the first octet's top bit is the sign.
    if (n < 4 && (data[0] & 0x80) != 0) value |= ~std::uint32_t{0} << (8 * n);
    return static_cast<std::int32_t>(value);
}

bool DecodeBoolean(std::uint8_t tagByte) { return tagByte == kTrueTagByte; }

double DecodeDouble(const std::uint8_t* data) {
    // Skip the length octet that stands between the tag byte and the value.
    const std::uint64_t bits = DecodeUnsigned64(data + 1);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::u16string DecodeCharacterString(const std::uint8_t* data, std::size_t n) {
    if (n == 0 || data[0] != kCharacterSetUtf8) return std::u16string();
    return platform::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data + 1), n - 1));
}

}  // namespace encoding
