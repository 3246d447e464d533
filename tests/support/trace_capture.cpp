#include "support/trace_capture.hpp"

#include <mutex>

#include "platform/utf.hpp"

namespace testing_support {
namespace {

std::mutex g_mutex;
std::vector<std::string> g_lines;

void Capture(const char16_t* line) {
    std::lock_guard lock(g_mutex);
    g_lines.push_back(platform::Utf16ToUtf8(platform::HostText(line)));
}

}  // namespace

TraceCapture::TraceCapture() {
    Clear();
    previous_ = platform::SetTraceSink(&Capture);
}

TraceCapture::~TraceCapture() { platform::SetTraceSink(previous_); }

const std::vector<std::string>& TraceCapture::Lines() const { return g_lines; }

void TraceCapture::Clear() {
    std::lock_guard lock(g_mutex);
    g_lines.clear();
}

}  // namespace testing_support
