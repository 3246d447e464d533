// UTF-16 host texts and UTF-8 wire texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Converts UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Converts UTF-8 to UTF-16, characters beyond the Basic Multilingual Plane as
// surrogate pairs. Malformed sequences become U+FFFD, one per bad byte.
std::u16string Utf8ToUtf16(std::string_view text);

// Length of a NUL-terminated UTF-16 text, reading at most max characters.
std::size_t BoundedLength(const char16_t* text, std::size_t max);

// A host text as a view; null reads as empty.
inline std::u16string_view HostText(const char16_t* text) {
    return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

// ASCII-only conversions for the driver's own fixed messages.
std::u16string Widen(std::string_view ascii);

}  // namespace platform
