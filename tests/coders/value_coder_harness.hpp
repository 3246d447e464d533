// Table helpers for the action, destination, event-parameter, scaling and
// any-value coder tests. Decoding runs on a buffer of exactly the given
// bytes, so the address sanitizer reports any read behind them.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "coders/property_coder.hpp"
#include "encoding/host_value.hpp"
#include "encoding/host_values.hpp"
#include "support/hex.hpp"

namespace value_coder_harness {

struct Decoded {
    std::optional<std::u16string> text;  // nothing when no text was stored
    std::uint32_t kind = 0;
    std::uint32_t consumed = 0;
};

inline Decoded DecodeExact(coders::IPropertyCoder& coder, const std::vector<std::uint8_t>& bytes, std::size_t n,
                           std::int32_t closingTag) {
    const std::vector<std::uint8_t> exact(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    HostValue value = testing_values::Integer(-7777);
    Decoded d;
    coder.Decode(exact.data(), static_cast<std::uint32_t>(n), value, closingTag, d.consumed);
    d.kind = value.kind;
    if (encoding::IsTextKind(value.kind)) d.text = testing_values::TextOf(value);
    return d;
}

inline std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// Value bytes (usually with the closing tag behind), the text stored
// (nullptr: none) and where decoding stopped.
struct DecodeCase {
    const char* hex;
    std::int32_t closingTag;
    const char16_t* text;
    std::uint32_t consumed;
};

inline void ExpectDecodes(coders::IPropertyCoder& coder, std::initializer_list<DecodeCase> cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hex);
        const auto bytes = testing_support::Hex(c.hex);
        const Decoded d = DecodeExact(coder, bytes, bytes.size(), c.closingTag);
        const auto expected = c.text ? std::optional<std::u16string>(c.text) : std::nullopt;
        EXPECT_EQ(d.text, expected);
        EXPECT_EQ(d.consumed, c.consumed);
    }
}

// A host value and the bytes it writes; nullptr: refused with 18.
struct EncodeCase {
    HostValue value;
    const char* hex;
};

inline EncodeCase Writes(const char16_t* text, const char* hex) { return {testing_values::Text(text), hex}; }

inline void ExpectEncodes(coders::IPropertyCoder& coder, std::initializer_list<EncodeCase> cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(encoding::IsTextKind(c.value.kind) ? testing_values::TextOf(c.value) : u"(number)"));
        encoding::ByteVector out;
        const std::uint32_t status = coder.Encode(out, c.value, -1);
        EXPECT_EQ(status, c.hex == nullptr ? 18u : 0u);
        if (c.hex != nullptr) {
            EXPECT_TRUE(testing_support::BytesAre(out, c.hex));
        }
    }
}

inline void ExpectRefuses(coders::IPropertyCoder& coder, std::initializer_list<const char16_t*> texts) {
    for (const char16_t* text : texts) {
        encoding::ByteVector out;
        EXPECT_EQ(coder.Encode(out, testing_values::Text(text), -1), 18u) << Narrow(text);
    }
}

// Each text writes bytes that read back as the same text.
inline void ExpectRoundTrips(coders::IPropertyCoder& coder, std::initializer_list<const char16_t*> texts) {
    for (const char16_t* text : texts) {
        SCOPED_TRACE(Narrow(text));
        encoding::ByteVector out;
        ASSERT_EQ(coder.Encode(out, testing_values::Text(text), -1), 0u);
        const Decoded d = DecodeExact(coder, out, out.size(), 3);
        EXPECT_EQ(d.text, std::u16string(text));
        EXPECT_EQ(d.consumed, out.size());
    }
}

// Every cut of a frame: the consumed count stays inside the cut, and a
// stored text is the start of what the whole frame reads as.
inline void ExpectCutsStayInside(coders::IPropertyCoder& coder, const char* hex, std::int32_t closingTag) {
    const auto bytes = testing_support::Hex(hex);
    const Decoded whole = DecodeExact(coder, bytes, bytes.size(), closingTag);
    ASSERT_TRUE(whole.text.has_value());
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(testing_support::ToHex(bytes.data(), n));
        const Decoded cut = DecodeExact(coder, bytes, n, closingTag);
        EXPECT_LE(cut.consumed, n);
        if (cut.text) {
            EXPECT_EQ(whole.text->rfind(*cut.text, 0), 0u) << Narrow(*cut.text);
        }
    }
}

}  // namespace value_coder_harness
