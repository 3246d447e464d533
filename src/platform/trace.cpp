#include "platform/trace.hpp"

#include <algorithm>
#include <atomic>
#include <string>

namespace platform {
namespace {

std::atomic<TraceSink> g_sink{nullptr};

void Emit(const std::u16string& line) {
    if (TraceSink sink = g_sink.load(std::memory_order_acquire)) sink(line.c_str());
}

// Short lines are built on the stack: some are written for every datagram.
constexpr std::size_t kStackLine = 128;
constexpr std::u16string_view kWarning = u"Warning: ";

// Appends the text, cut to the room left (the NUL kept); the new end.
char16_t* Put(char16_t* at, char16_t* end, std::u16string_view text) {
    const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(end - at));
    std::copy_n(text.data(), n, at);
    return at + n;
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
    TraceSink sink = g_sink.load(std::memory_order_acquire);
    if (sink == nullptr) return;
    if (kWarning.size() + text.size() < kStackLine) {
        char16_t line[kStackLine];
        char16_t* end = Put(Put(line, line + kStackLine - 1, kWarning), line + kStackLine - 1, text);
        *end = u'\0';
        return sink(line);
    }
    std::u16string line(kWarning);
    line.append(text);
    sink(line.c_str());
}

void TraceWarningNumber(std::u16string_view text, unsigned value) {
    TraceSink sink = g_sink.load(std::memory_order_acquire);
    if (sink == nullptr) return;
    char16_t digits[10];
    std::size_t count = 0;
    do {
        digits[sizeof digits / sizeof digits[0] - ++count] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    char16_t line[kStackLine];
    char16_t* const last = line + kStackLine - 1;
    char16_t* end = Put(Put(line, last, kWarning), last, text);
    end = Put(end, last, std::u16string_view(digits + sizeof digits / sizeof digits[0] - count, count));
    *end = u'\0';
    sink(line);
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
