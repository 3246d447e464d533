// The driver's trace operations and the sink they write to.
//
// Lines go to one sink, the host's communication log once the driver is
// loaded (Netwise's TraceLine); tests install their own sink to read them.
// Formatting truncates to the stated buffer sizes and never fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform {

using TraceSink = void (*)(const char16_t* line);

// Installs the sink; null drops every line. Returns the previous sink.
TraceSink SetTraceSink(TraceSink sink);

// Writes one line as it stands.
void TraceText(std::u16string_view text);

// Function-entry trace hook: writes nothing.
inline void TraceEntry(const char*) {}

// "Error: %d", formatted into 80 characters.
void TraceError(int code);

// "Warning: " followed by the text.
void TraceWarning(std::u16string_view text);

// "Warning: " followed by the text and the number in decimal, without a
// space between them (cut to 127 characters).
void TraceWarningNumber(std::u16string_view text, unsigned value);

// "Warning: %s %d", formatted into 255 characters.
void TraceWarningValue(std::u16string_view text, int value);

// The text followed by "%02X " for each byte, as one line.
void TraceBytes(std::u16string_view text, const std::uint8_t* bytes, std::size_t count);

}  // namespace platform
