// Tag bytes and lengths.
#include "encoding/tags.hpp"

namespace encoding {
namespace {

constexpr std::uint8_t kContextClassBit = 0x08;
constexpr std::uint8_t kTwoOctetLength = 254;
constexpr std::uint8_t kFourOctetLength = 255;

}  // namespace

std::uint8_t MakeApplicationTag(std::uint32_t tagNumber, std::uint32_t lvt) {
    return static_cast<std::uint8_t>((tagNumber << 4) | (lvt & 7));
}

std::uint8_t MakeContextTag(std::uint32_t tagNumber, std::uint32_t lvt) {
    return static_cast<std::uint8_t>(MakeApplicationTag(tagNumber, lvt) | kContextClassBit);
}

std::uint32_t DecodeLength(const std::uint8_t* data, std::size_t available, std::uint8_t lvt,
                           std::size_t& consumed) {
    if (available == 0) return 0;
    if (lvt != kLvtExtendedLength) return lvt;
    const std::uint8_t first = data[0];
    consumed = 1;
    if (first == kTwoOctetLength) {
        if (available < 3) return 0;
        consumed = 3;
        return DecodeUnsigned(data + 1, 2);
    }
    if (first < kTwoOctetLength) return first;
    if (available < 5) return 0;
    consumed = 5;
    return DecodeUnsigned(data + 1, 4);
}

void WriteExtendedLength(ByteVector& out, std::uint32_t n) {
    if (n < 5) return;
    if (n <= 253) {
        out.push_back(static_cast<std::uint8_t>(n));
        return;
    }
    int octets = 4;
    if (n <= 0xFFFFu) {
        out.push_back(kTwoOctetLength);
        octets = 2;
    } else {
        out.push_back(kFourOctetLength);
    }
    for (int i = octets - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
}

}  // namespace encoding
