#include "support/hex.hpp"

#include <cctype>
#include <stdexcept>

namespace testing_support {

std::vector<std::uint8_t> Hex(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    int pending = -1;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) throw std::invalid_argument("not a hex digit");
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
        if (pending < 0) {
            pending = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(pending * 16 + digit));
            pending = -1;
        }
    }
    if (pending >= 0) throw std::invalid_argument("odd number of hex digits");
    return bytes;
}

std::string ToHex(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i) text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

::testing::AssertionResult BytesAre(const std::vector<std::uint8_t>& actual, std::string_view expectedHex) {
    const auto expected = Hex(expectedHex);
    if (actual == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\n  actual:   " << ToHex(actual) << "\n  expected: " << ToHex(expected);
}

}  // namespace testing_support
