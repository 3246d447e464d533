#include "platform/trace.hpp"

#include <atomic>
#include <string>

namespace platform {
namespace {

std::atomic<TraceSink> g_sink{nullptr};

void Emit(const std::u16string& line) {
    if (TraceSink sink = g_sink.load(std::memory_order_acquire)) sink(line.c_str());
}

void AppendDecimal(std::u16string& out, long long value) {
    const std::string digits = std::to_string(value);
    out.append(digits.begin(), digits.end());
}

// Cuts a line to a buffer of the given size in characters, NUL included.
std::u16string& FitBuffer(std::u16string& line, std::size_t bufferSize) {
    if (line.size() > bufferSize - 1) line.resize(bufferSize - 1);
    return line;
}

}  // namespace

TraceSink SetTraceSink(TraceSink sink) { return g_sink.exchange(sink, std::memory_order_acq_rel); }

void TraceText(std::u16string_view text) { Emit(std::u16string(text)); }

void TraceError(int code) {
    std::u16string line = u"Error: ";
    AppendDecimal(line, code);
    Emit(FitBuffer(line, 80));
}

void TraceWarning(std::u16string_view text) {
    std::u16string line = u"Warning: ";
    line.append(text);
    Emit(line);
}

void TraceWarningValue(std::u16string_view text, int value) {
    std::u16string line = u"Warning: ";
    line.append(text);
    line += u' ';
    AppendDecimal(line, value);
    Emit(FitBuffer(line, 255));
}

void TraceBytes(std::u16string_view text, const std::uint8_t* bytes, std::size_t count) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string line(text);
    line.reserve(line.size() + 3 * count);
    for (std::size_t i = 0; i < count; ++i) {
        line += kHex[bytes[i] >> 4];
        line += kHex[bytes[i] & 0x0F];
        line += u' ';
    }
    Emit(line);
}

}  // namespace platform
