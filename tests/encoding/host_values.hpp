// Host values of each kind for the value tests, and their texts read back.
#pragma once

#include <cstdint>
#include <string>

#include "encoding/host_value.hpp"
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

}  // namespace testing_values
