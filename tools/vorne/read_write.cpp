// `vorne read` and `vorne write`: one scan, one write.
#include <algorithm>
#include <cstdio>

#include "platform/utf.hpp"
#include "tools/vorne/address_text.hpp"
#include "tools/vorne/commands.hpp"
#include "tools/vorne/text_escape.hpp"
#include "tools/vorne/user_messages.hpp"
#include "tools/vorne/value_text.hpp"

namespace vorne_tool {
namespace {

constexpr std::int32_t kStatusDoesNotFit = 18;

std::vector<std::u16string> Wide(const std::vector<std::string>& texts) {
    std::vector<std::u16string> wide;
    for (const auto& text : texts) wide.push_back(platform::Utf8ToUtf16(text));
    return wide;
}

struct ReadLine {
    TagValue value;
    bool good = false;
    std::int32_t status = 0;  // the scan status of the tag's group
};

void PrintLine(const std::string& address, const ReadLine& line, bool json) {
    const std::string time = TimeStampText(line.value.timeStamp);
    if (json) {
        std::printf("{\"address\":%s,\"value\":%s,\"quality\":%u,\"time\":\"%s\",\"status\":%d}\n",
                    JsonString(address).c_str(), line.good ? JsonString(line.value.text).c_str() : "null",
                    line.value.quality, time.c_str(), line.status);
    } else if (line.good) {
        std::printf("%-32s %-24s quality %-3u %s\n", address.c_str(), line.value.text.c_str(), line.value.quality,
                    time.c_str());
    } else {
        const std::string why = line.status != 0 ? StatusText(line.status) : std::string("not in the answer");
        std::printf("%-32s %-24s quality %-3u %s\n", address.c_str(), "(no value)", line.value.quality, why.c_str());
    }
}

}  // namespace

int OpenDriver(DriverHost& driver, const CommonOptions& options) {
    if (!driver.Loaded()) {
        std::fprintf(stderr, "vorne: %s\n", driver.Error().c_str());
        return kExitFailed;
    }
    if (options.host.mstpDevice.empty()) {
        const int exitCode = CheckLocalAddress(options.command, options.bind,
                                               static_cast<std::uint16_t>(options.host.udpPort),
                                               "the driver listens on a port the system picks, where broadcast "
                                               "answers do not arrive");
        if (exitCode != kExitOk) return exitCode;
    }
    const std::int32_t error = driver.Open(options.host);
    if (error != 0) {
        std::fprintf(stderr, "vorne: the driver did not open: %s\n", StatusText(error).c_str());
        return kExitFailed;
    }
    return kExitOk;
}

int RunRead(const CommonOptions& options, const char* argv0) {
    if (options.positional.size() < 2) {
        std::fprintf(stderr, "vorne read: needs STATION and at least one ADDRESS (see vorne read --help)\n");
        return kExitUsage;
    }
    const std::string& station = options.positional[0];
    const std::vector<std::string> addresses(options.positional.begin() + 1, options.positional.end());
    DriverHost driver(options.driverPath.empty() ? DefaultLibraryPath(argv0) : options.driverPath);
    if (driver.Loaded() && !CheckStationAndAddresses(driver, options, station, addresses)) return kExitUsage;
    if (const int exitCode = OpenDriver(driver, options); exitCode != kExitOk) return exitCode;

    // As a host groups its tags: one group per object type, each registered with its station.
    std::vector<std::pair<std::string, std::string>> tags;
    for (const auto& address : addresses) tags.emplace_back(station, address);
    const std::vector<TagGroup> groups = GroupByStationAndType(tags, 0);
    std::vector<ReadLine> lines(addresses.size());
    std::int32_t firstBadStatus = 0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        driver.AddGroup(static_cast<std::intptr_t>(g + 1), platform::Utf8ToUtf16(station));
        std::vector<std::string> members;
        for (std::size_t index : groups[g].members) members.push_back(addresses[index]);
        const ScanResult scan =
            driver.ReadWhenBound(platform::Utf8ToUtf16(station), Wide(members), options.host.timeoutMs);
        const std::int32_t status = scan.statusWritten ? scan.status : 0;
        if (firstBadStatus == 0) firstBadStatus = status;
        for (std::size_t k = 0; k < groups[g].members.size(); ++k) {
            ReadLine& line = lines[groups[g].members[k]];
            line.status = status;
            if (k < scan.values.size()) line.value = scan.values[k];
            line.good = scan.sent && line.value.quality == 192;
        }
    }
    bool allGood = true;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        PrintLine(addresses[i], lines[i], options.json);
        allGood = allGood && lines[i].good;
    }
    if (options.json)
        std::printf("{\"status\":%d,\"meaning\":%s}\n", firstBadStatus, JsonString(StatusText(firstBadStatus)).c_str());
    else
        std::printf("scan status: %s\n", StatusText(firstBadStatus).c_str());
    std::fflush(stdout);
    const std::string advice = StationStatusAdvice(station, firstBadStatus, options.host.timeoutMs);
    if (!advice.empty()) std::fprintf(stderr, "vorne read: %s\n", advice.c_str());
    for (std::size_t g = 0; g < groups.size(); ++g) driver.RemoveGroup(static_cast<std::intptr_t>(g + 1));
    return allGood ? kExitOk : kExitFailed;
}

namespace {

bool IsNullText(const std::string& text) {
    std::string upper;
    for (const char c : text) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return upper == "NULL";
}

// The address without its priority: the property to read back.
std::string WithoutPriority(const std::string& address) {
    const auto colons = std::count(address.begin(), address.end(), ':');
    return colons < 3 ? address : address.substr(0, address.rfind(':'));
}

// Whether the command-line value becomes a host value for this tag; says why not.
bool CheckValue(DriverHost& driver, const CommonOptions& options, const std::string& address, const std::string& value) {
    const std::int32_t type = driver.TagType(platform::Utf8ToUtf16(address));
    HostValue record{};
    if (EncodeHostValue(platform::Utf8ToUtf16(value), type, options.host.nullValue, record)) return true;
    if (IsNullText(value) && options.host.nullValue.empty())
        std::fprintf(stderr, "vorne write: %s is not a value of %s; to write Null (relinquish the priority) name "
                             "the text that means Null: --null-value %s\n", value.c_str(), address.c_str(), value.c_str());
    else
        std::fprintf(stderr, "vorne write: '%s' does not fit %s, which takes %s\n", value.c_str(), address.c_str(),
                     type == 1 ? "a whole number (e.g. 3)" : "a number (e.g. 42.5)");
    return false;
}

}  // namespace

int RunWrite(const CommonOptions& options, const char* argv0) {
    if (options.positional.size() != 3) {
        std::fprintf(stderr, "vorne write: needs STATION ADDRESS VALUE (see vorne write --help)\n");
        return kExitUsage;
    }
    const std::string& station = options.positional[0];
    const std::string& address = options.positional[1];
    const std::string& value = options.positional[2];
    DriverHost driver(options.driverPath.empty() ? DefaultLibraryPath(argv0) : options.driverPath);
    if (driver.Loaded() && !CheckStationAndAddresses(driver, options, station, {address})) return kExitUsage;
    if (const int exitCode = OpenDriver(driver, options); exitCode != kExitOk) return exitCode;
    // The tag's type comes from the tables the driver builds when it opens.
    if (!CheckValue(driver, options, address, value)) return kExitUsage;
    const std::u16string wideStation = platform::Utf8ToUtf16(station);
    driver.AddGroup(1, wideStation);
    const std::int32_t status = driver.WriteWhenBound(wideStation, platform::Utf8ToUtf16(address),
                                                      platform::Utf8ToUtf16(value), options.host.timeoutMs);
    std::printf("write %s = %s: %s\n", address.c_str(), value.c_str(), StatusText(status).c_str());
    std::fflush(stdout);
    if (status == kStatusDoesNotFit) {
        // Say what the property takes, from the text it reads as now.
        const ScanResult now = driver.Read(wideStation, {platform::Utf8ToUtf16(WithoutPriority(address))});
        const bool known = now.sent && !now.values.empty() && now.values[0].quality == 192;
        std::fprintf(stderr, "vorne write: '%s' does not fit %s, which takes %s\n", value.c_str(), address.c_str(),
                     ExpectedForm(known ? now.values[0].text : std::string()).c_str());
    }
    const std::string advice = StationStatusAdvice(station, status, options.host.timeoutMs);
    if (!advice.empty()) std::fprintf(stderr, "vorne write: %s\n", advice.c_str());
    driver.RemoveGroup(1);
    return status == 0 ? kExitOk : kExitFailed;
}

}  // namespace vorne_tool
