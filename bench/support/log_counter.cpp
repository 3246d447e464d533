#include "bench/support/log_counter.hpp"

#include <atomic>
#include <mutex>
#include <string_view>

#include "bench/support/percentiles.hpp"
#include "platform/utf.hpp"

namespace bench {
namespace {

std::atomic<std::uint64_t> g_lines{0};
std::atomic<std::uint64_t> g_marked{0};
std::u16string g_marker;
std::mutex g_lastMutex;
std::u16string g_last;
thread_local std::atomic<std::uint64_t>* t_counter = nullptr;
// The latest lines of each thread, to show what led to a failed scan.
constexpr std::size_t kRecentLines = 24;
thread_local std::u16string t_recent[kRecentLines];
thread_local std::int64_t t_recentAt[kRecentLines] = {};
thread_local std::size_t t_recentNext = 0;

bool Routine(std::u16string_view line) {
    return line.rfind(u"Warning: Received InvokeID=", 0) == 0 ||
           line == u"Warning: BACNET_ERROR_PACKET_NOT_FOR_THIS_INSTANCE";
}

}  // namespace

std::uint64_t LoggedLines() { return g_lines.load(); }
void SetLogMarker(const std::u16string& marker) { g_marker = marker; }
std::uint64_t MarkedLines() { return g_marked.load(); }
void CountThreadMarkedLines(std::atomic<std::uint64_t>* counter) { t_counter = counter; }

std::string LastLoggedLine() {
    std::lock_guard lock(g_lastMutex);
    return platform::Utf16ToUtf8(g_last);
}

std::string RecentThreadLines() {
    std::string text;
    for (std::size_t i = 0; i < kRecentLines; ++i) {
        const std::u16string& line = t_recent[(t_recentNext + i) % kRecentLines];
        const std::size_t at = (t_recentNext + i) % kRecentLines;
        if (!line.empty()) text += "  " + std::to_string(t_recentAt[at] / 1000) + " us: " + platform::Utf16ToUtf8(line) + "\n";
    }
    return text;
}

}  // namespace bench

// Takes the place of Netwise's TraceLine for every copy of the driver in this process.
extern "C" __attribute__((visibility("default"))) std::int32_t TraceLine(const char16_t* text) {
    using namespace bench;
    g_lines.fetch_add(1, std::memory_order_relaxed);
    if (text == nullptr) return 0;
    const std::u16string_view line(text);
    if (!g_marker.empty() && line.find(g_marker) != std::u16string_view::npos)
    {
        g_marked.fetch_add(1, std::memory_order_relaxed);
        if (t_counter != nullptr) t_counter->fetch_add(1, std::memory_order_relaxed);
    }
    t_recent[t_recentNext].assign(line);
    t_recentAt[t_recentNext] = NowNs();
    t_recentNext = (t_recentNext + 1) % kRecentLines;
    if (!Routine(line)) {
        std::lock_guard lock(g_lastMutex);
        g_last.assign(line);
    }
    return 0;
}
