// Netwise stand-in: the communication log.
//
// Each line is written as UTF-8 with a local time stamp, to the file named by
// VORNE_LOG when that variable is set, else to standard error. Lines from
// several threads never interleave.
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "netwise.h"
#include "platform/local_time.hpp"
#include "platform/utf.hpp"

namespace {

std::mutex& LogMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string TimeStamp() {
    const auto t = platform::LocalNow();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.milliseconds);
    return text;
}

}  // namespace

extern "C" NETWISE_API int32_t HOSTLIB_CALL TraceLine(const char16_t* text) {
    const std::string line = TimeStamp() + " " + platform::Utf16ToUtf8(platform::HostText(text)) + "\n";
    std::lock_guard lock(LogMutex());
    const char* path = std::getenv("VORNE_LOG");
    if (path != nullptr && *path != '\0') {
        if (std::FILE* file = std::fopen(path, "ab")) {
            std::fwrite(line.data(), 1, line.size(), file);
            std::fclose(file);
            return 0;
        }
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return 0;
}
