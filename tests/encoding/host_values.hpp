// Host values of each kind for the value tests, and their texts read back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "encoding/host_value.hpp"
#include "support/hex.hpp"
#include "tagcore.h"

namespace testing_values {

inline HostValue Integer(std::int32_t n) {
    HostValue v{};
    encoding::SetInteger(v, n);
    return v;
}

inline HostValue Real(double d) {
    HostValue v{};
    encoding::SetDouble(v, d);
    return v;
}

inline HostValue Text(const std::u16string& text) {
    HostValue v{};
    ::StoreText(&v, text.c_str());
    return v;
}

inline std::u16string TextOf(const HostValue& v) {
    std::u16string buffer(4096, u'\0');
    ::FetchText(&v, buffer.data(), static_cast<std::int32_t>(buffer.size()));
    return buffer.c_str();
}

// Exactly as long as the bytes, so that a read past the end trips the
// address sanitizer instead of landing in spare capacity.
inline std::vector<std::uint8_t> Exact(const char* hex) {
    const std::vector<std::uint8_t> bytes = testing_support::Hex(hex);
    std::vector<std::uint8_t> exact;
    exact.reserve(bytes.size());
    exact.assign(bytes.begin(), bytes.end());
    exact.shrink_to_fit();
    return exact;
}

}  // namespace testing_values
