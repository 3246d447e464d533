// Table helpers for the reference and list coder tests: received frames with
// their text, texts with their bytes or refusal, and every cut of a frame.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "coders/property_coder.hpp"
#include "encoding/host_value.hpp"
#include "support/hex.hpp"

namespace reference_frames {

// A received value, then the closing tag at offset consumed. Where marked,
// the text writes the value bytes back unchanged.
struct Frame {
    const char* hex;
    std::int32_t closingTag;
    const char16_t* text;
    std::uint32_t consumed;
    bool encodesBack;
};

// A text to write, its status and the bytes appended (also before a refusal).
struct Written {
    const char16_t* text;
    std::uint32_t status;
    const char* hex;
};

struct Decoded {
    bool stored = false;  // the host value no longer holds kUntouched
    std::uint32_t kind = 0;
    std::u16string text;
    std::uint32_t consumed = 0;
};

inline constexpr std::int32_t kUntouched = 0x5A5A;

// The bytes sit in an allocation of exactly their size, so that any read
// behind them trips the address sanitizer.
inline Decoded DecodeBytes(coders::IPropertyCoder& coder, const std::vector<std::uint8_t>& bytes, std::size_t size,
                           std::int32_t closingTag, bool fetchText = true) {
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[size]);
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size), exact.get());
    HostValue value{};
    encoding::SetInteger(value, kUntouched);
    Decoded d;
    coder.Decode(exact.get(), static_cast<std::uint32_t>(size), value, closingTag, d.consumed);
    d.kind = value.kind;
    d.stored = value.kind != encoding::kKindInteger || encoding::GetInteger(value) != kUntouched;
    if (d.stored && fetchText) {
        std::u16string buffer(10240, u'\0');
        ::FetchText(&value, buffer.data(), static_cast<std::int32_t>(buffer.size()));
        d.text = buffer.c_str();
    }
    return d;
}

inline Decoded DecodeHex(coders::IPropertyCoder& coder, const char* hex, std::int32_t closingTag) {
    const auto bytes = testing_support::Hex(hex);
    return DecodeBytes(coder, bytes, bytes.size(), closingTag);
}

inline HostValue TextValue(const std::u16string& text, bool assigned = false) {
    HostValue value{};
    (assigned ? ::AssignText : ::StoreText)(&value, text.c_str());
    return value;
}

inline void ExpectFrames(coders::IPropertyCoder& coder, const std::vector<Frame>& frames, std::uint32_t kind) {
    for (const Frame& f : frames) {
        SCOPED_TRACE(f.hex);
        const Decoded d = DecodeHex(coder, f.hex, f.closingTag);
        EXPECT_EQ(d.kind, kind);
        EXPECT_EQ(d.text, std::u16string(f.text));
        EXPECT_EQ(d.consumed, f.consumed);
        if (!f.encodesBack) continue;
        encoding::ByteVector out;
        EXPECT_EQ(coder.Encode(out, TextValue(f.text), -1), 0u);
        const auto bytes = testing_support::Hex(f.hex);
        EXPECT_TRUE(testing_support::BytesAre(out, testing_support::ToHex(bytes.data(), f.consumed)));
    }
}

inline void ExpectWritten(coders::IPropertyCoder& coder, const std::vector<Written>& table) {
    for (const Written& w : table) {
        SCOPED_TRACE(std::string(w.text, w.text + std::char_traits<char16_t>::length(w.text)));
        encoding::ByteVector out;
        EXPECT_EQ(coder.Encode(out, TextValue(w.text), -1), w.status);
        EXPECT_TRUE(testing_support::BytesAre(out, w.hex));
    }
}

inline void ExpectWrittenNumber(coders::IPropertyCoder& coder, std::int32_t number, std::uint32_t status,
                                const char* hex) {
    HostValue value{};
    encoding::SetInteger(value, number);
    encoding::ByteVector out;
    EXPECT_EQ(coder.Encode(out, value, -1), status);
    EXPECT_TRUE(testing_support::BytesAre(out, hex));
}

enum class Partial { Nothing, TextSoFar, NothingOrTextSoFar };

// Every cut of a frame before its closing tag: nothing is read behind the
// cut, consumed stays within it, and the coder stores nothing or the text
// built so far (a beginning of the whole text).
inline void ExpectCutsSafe(coders::IPropertyCoder& coder, const char* hex, std::int32_t closingTag, Partial partial) {
    const auto bytes = testing_support::Hex(hex);
    const Decoded whole = DecodeBytes(coder, bytes, bytes.size(), closingTag);
    ASSERT_TRUE(whole.stored);
    for (std::size_t size = 0; size + 1 < bytes.size(); ++size) {
        SCOPED_TRACE(size);
        const Decoded d = DecodeBytes(coder, bytes, size, closingTag);
        EXPECT_LE(d.consumed, size);
        if (partial != Partial::NothingOrTextSoFar) {
            EXPECT_EQ(d.stored, partial == Partial::TextSoFar);
        }
        if (d.stored) {
            EXPECT_EQ(whole.text.substr(0, d.text.size()), d.text);
        }
    }
}

}  // namespace reference_frames
