#include "bench/support/log_counter.hpp"

#include <atomic>
#include <mutex>
#include <string_view>

#include "platform/utf.hpp"

namespace bench {
namespace {

std::atomic<std::uint64_t> g_lines{0};
std::atomic<std::uint64_t> g_marked{0};
std::u16string g_marker;
std::mutex g_lastMutex;
std::u16string g_last;
thread_local std::atomic<std::uint64_t>* t_counter = nullptr;

}  // namespace

std::uint64_t LoggedLines() { return g_lines.load(); }
void SetLogMarker(const std::u16string& marker) { g_marker = marker; }
std::uint64_t MarkedLines() { return g_marked.load(); }
void CountThreadMarkedLines(std::atomic<std::uint64_t>* counter) { t_counter = counter; }

std::string LastLoggedLine() {
    std::lock_guard lock(g_lastMutex);
    return platform::Utf16ToUtf8(g_last);
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
    if (line.rfind(u"Warning: Received InvokeID=", 0) != 0) {
        std::lock_guard lock(g_lastMutex);
        g_last.assign(line);
    }
    return 0;
}
