// `vorne read` and `vorne write`: one scan, one write.
#include <cstdio>

#include "platform/clock.hpp"
#include "platform/utf.hpp"
#include "tools/vorne/commands.hpp"
#include "tools/vorne/value_text.hpp"

namespace vorne_tool {

bool OpenDriver(DriverHost& driver, const CommonOptions& options) {
    if (!driver.Loaded()) {
        std::fprintf(stderr, "vorne: %s\n", driver.Error().c_str());
        return false;
    }
    const std::int32_t error = driver.Open(options.host);
    if (error != 0) {
        std::fprintf(stderr, "vorne: the driver did not open: %s\n", StatusText(error).c_str());
        return false;
    }
    return true;
}

int RunRead(const CommonOptions& options, const char* argv0) {
    if (options.positional.size() < 2) {
        std::fprintf(stderr, "vorne read: needs STATION and at least one ADDRESS (see vorne read --help)\n");
        return kExitUsage;
    }
    DriverHost driver(options.driverPath.empty() ? DefaultLibraryPath(argv0) : options.driverPath);
    if (!OpenDriver(driver, options)) return kExitFailed;
    const std::u16string station = platform::Utf8ToUtf16(options.positional[0]);
    // As a host registers each group's station: that binds an IP:NETWORK:DEVICE station at once.
    driver.AddGroup(1, station);
    std::vector<std::u16string> addresses;
    for (std::size_t i = 1; i < options.positional.size(); ++i)
        addresses.push_back(platform::Utf8ToUtf16(options.positional[i]));

    // A station named by network:device is bound by Who-Is first: give discovery a moment.
    ScanResult scan = driver.Read(station, addresses);
    for (int attempt = 0; !scan.sent && scan.status == 13 && attempt < 40; ++attempt) {
        for (int i = 0; i < 10; ++i) {
            driver.Idle();
            platform::SleepMs(10);
        }
        scan = driver.Read(station, addresses);
    }
    bool allGood = scan.sent && (!scan.statusWritten || scan.status == 0);
    if (scan.sent) {
        for (std::size_t i = 0; i < scan.values.size(); ++i) {
            const TagValue& v = scan.values[i];
            allGood = allGood && v.quality == 192;
            if (options.json) {
                std::printf("{\"address\":\"%s\",\"value\":\"%s\",\"quality\":%u,\"time\":\"%s\"}\n",
                            options.positional[i + 1].c_str(), v.text.c_str(), v.quality,
                            TimeStampText(v.timeStamp).c_str());
            } else {
                std::printf("%-32s %-24s quality %-3u %s\n", options.positional[i + 1].c_str(), v.text.c_str(),
                            v.quality, TimeStampText(v.timeStamp).c_str());
            }
        }
    }
    const std::string status = scan.statusWritten ? StatusText(scan.status) : "0 (success)";
    if (options.json)
        std::printf("{\"status\":%d,\"meaning\":\"%s\"}\n", scan.statusWritten ? scan.status : 0, status.c_str());
    else
        std::printf("scan status: %s\n", status.c_str());
    return allGood ? kExitOk : kExitFailed;
}

int RunWrite(const CommonOptions& options, const char* argv0) {
    if (options.positional.size() != 3) {
        std::fprintf(stderr, "vorne write: needs STATION ADDRESS VALUE (see vorne write --help)\n");
        return kExitUsage;
    }
    DriverHost driver(options.driverPath.empty() ? DefaultLibraryPath(argv0) : options.driverPath);
    if (!OpenDriver(driver, options)) return kExitFailed;
    const std::u16string station = platform::Utf8ToUtf16(options.positional[0]);
    driver.AddGroup(1, station);
    const std::u16string address = platform::Utf8ToUtf16(options.positional[1]);
    const std::u16string value = platform::Utf8ToUtf16(options.positional[2]);
    std::int32_t status = driver.Write(station, address, value);
    for (int attempt = 0; status == 13 && attempt < 40; ++attempt) {
        for (int i = 0; i < 10; ++i) {
            driver.Idle();
            platform::SleepMs(10);
        }
        status = driver.Write(station, address, value);
    }
    std::printf("write %s = %s: %s\n", options.positional[1].c_str(), options.positional[2].c_str(),
                StatusText(status).c_str());
    return status == 0 ? kExitOk : kExitFailed;
}

}  // namespace vorne_tool
