// `vorne poll`: a tag list scanned repeatedly, grouped as a host groups tags
// (one read group per station and object type, 24 tags at most each).
#include <atomic>
#include <csignal>
#include <cstdio>
#include <set>

#include "platform/clock.hpp"
#include "platform/utf.hpp"
#include "tools/vorne/address_text.hpp"
#include "tools/vorne/commands.hpp"
#include "tools/vorne/station_text.hpp"
#include "tools/vorne/tag_list.hpp"
#include "tools/vorne/text_escape.hpp"
#include "tools/vorne/user_messages.hpp"
#include "tools/vorne/value_text.hpp"

#ifdef _WIN32
#include <io.h>
#define VORNE_ISATTY _isatty
#define VORNE_FILENO _fileno
#else
#include <unistd.h>
#define VORNE_ISATTY isatty
#define VORNE_FILENO fileno
#endif

namespace vorne_tool {
namespace {

std::atomic<bool> g_stop{false};

// A group's answer must fit one APDU for a device that does not segment, even
// on MS/TP (480 octets): a present value takes about 16 octets of it.
constexpr std::size_t kMostTagsPerGroup = 24;

struct Tag {
    TagRow row;
    TagValue last;
    bool good = false;  // a value arrived in the last scan
};

struct Group {
    std::string station;
    std::vector<std::size_t> tags;  // indexes into the tag list
    std::int32_t lastStatus = 0;
    std::uint64_t scans = 0;
    std::uint64_t timeouts = 0;
};

std::string ValueText(const Tag& t) { return t.good ? t.last.text : "(no value)"; }

void PrintScan(const std::vector<Tag>& tags, const std::vector<Group>& groups, bool json, bool table,
               std::uint64_t cycle) {
    const auto cycleNumber = static_cast<unsigned long long>(cycle);
    if (table) {
        std::printf("\x1b[H\x1b[2J");
        std::printf("vorne poll - scan %llu (Ctrl-C stops)\n\n", cycleNumber);
        std::printf("%-20s %-24s %-10s %-7s %s\n", "TAG", "VALUE", "QUALITY", "STATUS", "TIME");
    }
    for (const auto& group : groups)
        for (std::size_t index : group.tags) {
            const Tag& t = tags[index];
            const std::string time = TimeStampText(t.last.timeStamp);
            if (json)
                std::printf("{\"cycle\":%llu,\"tag\":%s,\"value\":%s,\"quality\":%u,\"time\":\"%s\",\"status\":%d}\n",
                            cycleNumber, JsonString(t.row.name).c_str(),
                            t.good ? JsonString(t.last.text).c_str() : "null", t.last.quality, time.c_str(),
                            group.lastStatus);
            else if (table)
                std::printf("%-20s %-24s %-10u %-7d %s\n", t.row.name.c_str(), ValueText(t).c_str(), t.last.quality,
                            group.lastStatus, time.c_str());
            else
                std::printf("%llu %s %s quality=%u status=%s\n", cycleNumber, t.row.name.c_str(),
                            ValueText(t).c_str(), t.last.quality, StatusText(group.lastStatus).c_str());
        }
    if (table) {
        std::printf("\n");
        for (const auto& group : groups)
            std::printf("group %-24s scans %-6llu time-outs %-6llu last %s\n", group.station.c_str(),
                        static_cast<unsigned long long>(group.scans), static_cast<unsigned long long>(group.timeouts),
                        StatusText(group.lastStatus).c_str());
    }
    std::fflush(stdout);
}

// Loads the list and checks every row with the driver's address check.
// kExitOk, or the exit status after saying why the list cannot be used.
int LoadTags(DriverHost& driver, const CommonOptions& options, std::vector<Tag>& tags, bool& rowsLeftOut) {
    const bool mstp = !options.host.mstpDevice.empty();
    const RowCheck check = [&](const TagRow& row) -> std::string {
        if (const std::string why = StationProblem(row.station, mstp); !why.empty())
            return "station '" + row.station + "': " + why + "; expected " + kStationForms;
        if (const std::int32_t status = driver.CheckAddress(platform::Utf8ToUtf16(row.address)); status != 0)
            return "address " + row.address + ": " + AddressProblem(status, row.address);
        return {};
    };
    TagList list;
    std::string error;
    if (!LoadTagList(options.tagsFile, check, list, error)) {
        std::fprintf(stderr, "vorne poll: %s\n", error.c_str());
        return kExitUsage;
    }
    for (const auto& line : list.bad) std::fprintf(stderr, "%s\n", line.c_str());
    rowsLeftOut = !list.bad.empty();
    if (options.strict && rowsLeftOut) {
        std::fprintf(stderr, "vorne poll: %zu bad row%s in %s; --strict polls only a list without any\n",
                     list.bad.size(), list.bad.size() == 1 ? "" : "s", options.tagsFile.c_str());
        return kExitUsage;
    }
    if (list.tags.empty()) {
        std::fprintf(stderr, "vorne poll: the tag list %s holds no tags to poll\n", options.tagsFile.c_str());
        return kExitUsage;
    }
    if (rowsLeftOut)
        std::fprintf(stderr, "vorne poll: %zu bad row%s left out; polling the other %zu tags\n", list.bad.size(),
                     list.bad.size() == 1 ? "" : "s", list.tags.size());
    for (auto& row : list.tags) tags.push_back(Tag{std::move(row), {}, false});
    return kExitOk;
}

}  // namespace

int RunPoll(const CommonOptions& options, const char* argv0) {
    if (options.tagsFile.empty() || !options.positional.empty()) {
        std::fprintf(stderr, "vorne poll: needs --tags FILE and no other arguments (see vorne poll --help)\n");
        return kExitUsage;
    }
    DriverHost driver(options.driverPath.empty() ? DefaultLibraryPath(argv0) : options.driverPath);
    if (!driver.Loaded()) return OpenDriver(driver, options);
    std::vector<Tag> tags;
    bool rowsLeftOut = false;
    if (const int exitCode = LoadTags(driver, options, tags, rowsLeftOut); exitCode != kExitOk) return exitCode;
    std::vector<std::pair<std::string, std::string>> stationAddress;
    for (const auto& t : tags) stationAddress.emplace_back(t.row.station, t.row.address);
    std::vector<Group> groups;
    for (auto& group : GroupByStationAndType(stationAddress, kMostTagsPerGroup))
        groups.push_back(Group{group.station, std::move(group.members), 0, 0, 0});

    if (const int exitCode = OpenDriver(driver, options); exitCode != kExitOk) return exitCode;
    for (std::size_t g = 0; g < groups.size(); ++g)
        driver.AddGroup(static_cast<std::intptr_t>(g + 1), platform::Utf8ToUtf16(groups[g].station));

    std::signal(SIGINT, [](int) { g_stop = true; });
    const bool table = !options.json && VORNE_ISATTY(VORNE_FILENO(stdout));
    for (std::uint64_t cycle = 1; !g_stop && (options.count < 0 || static_cast<std::int64_t>(cycle) <= options.count);
         ++cycle) {
        const std::uint32_t started = platform::TickCount();
        for (auto& group : groups) {
            std::vector<std::u16string> addresses;
            for (std::size_t index : group.tags) addresses.push_back(platform::Utf8ToUtf16(tags[index].row.address));
            const ScanResult scan =
                driver.ReadWhenBound(platform::Utf8ToUtf16(group.station), addresses, options.host.timeoutMs, &g_stop);
            ++group.scans;
            group.lastStatus = scan.statusWritten ? scan.status : 0;
            if (group.lastStatus == -15) ++group.timeouts;
            for (std::size_t k = 0; k < group.tags.size(); ++k) {
                Tag& tag = tags[group.tags[k]];
                tag.last = k < scan.values.size() ? scan.values[k] : TagValue{};
                tag.good = scan.sent && tag.last.quality == 192;
            }
        }
        PrintScan(tags, groups, options.json, table, cycle);
        const bool last = options.count >= 0 && static_cast<std::int64_t>(cycle) == options.count;
        while (!g_stop && !last && platform::TickCount() - started < options.intervalMs) {
            driver.Idle();
            platform::SleepMs(10);
        }
    }
    // What a user can do about the stations that gave no value, said once each.
    std::set<std::string> advised;
    for (const auto& group : groups) {
        const std::string advice = StationStatusAdvice(group.station, group.lastStatus, options.host.timeoutMs);
        if (!advice.empty() && advised.insert(group.station).second)
            std::fprintf(stderr, "vorne poll: %s\n", advice.c_str());
    }
    for (std::size_t g = 0; g < groups.size(); ++g) driver.RemoveGroup(static_cast<std::intptr_t>(g + 1));
    driver.Close();
    bool allGood = !rowsLeftOut;
    for (const auto& tag : tags) allGood = allGood && tag.good;
    return allGood ? kExitOk : kExitFailed;
}

}  // namespace vorne_tool
