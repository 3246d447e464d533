// `vorne poll`: a tag list scanned repeatedly, grouped as a host groups tags
// (one read group per station and object type, 24 tags at most each).
#include <atomic>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/clock.hpp"
#include "platform/utf.hpp"
#include "tools/vorne/commands.hpp"
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
    std::string name;
    std::string station;
    std::string address;
    TagValue last;
};

struct Group {
    std::string station;
    std::vector<std::size_t> tags;  // indexes into the tag list
    std::int32_t lastStatus = 0;
    std::uint64_t scans = 0;
    std::uint64_t timeouts = 0;
};

std::string Field(std::string text) {
    const auto begin = text.find_first_not_of(" \t\r");
    const auto end = text.find_last_not_of(" \t\r");
    if (begin == std::string::npos) return {};
    text = text.substr(begin, end - begin + 1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    return text;
}

bool IsHeader(const std::string& name, const std::string& station, const std::string& address) {
    auto lower = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    return lower(name) == "name" && lower(station) == "station" && lower(address) == "address";
}

// name,station,address per line; further columns (what `vorne browse` adds
// for people) are ignored, as is a header line. Blank lines and lines
// starting with # are skipped.
bool LoadTags(const std::string& path, std::vector<Tag>& tags, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read the tag list " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (Field(line).empty() || Field(line)[0] == '#') continue;
        std::stringstream row(line);
        std::string name, station, address;
        if (!std::getline(row, name, ',') || !std::getline(row, station, ',') || !std::getline(row, address, ',')) {
            error = path + ":" + std::to_string(number) + ": expected name,station,address";
            return false;
        }
        if (IsHeader(Field(name), Field(station), Field(address))) continue;
        tags.push_back({Field(name), Field(station), Field(address), {}});
    }
    if (tags.empty()) error = "the tag list " + path + " holds no tags";
    return !tags.empty();
}

std::string ObjectTypeOf(const std::string& address) {
    std::string type = address.substr(0, address.find(':'));
    for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return type;
}

void PrintScan(const std::vector<Tag>& tags, const std::vector<Group>& groups, bool json, bool table,
               std::uint64_t cycle) {
    if (json) {
        for (const auto& group : groups)
            for (std::size_t index : group.tags) {
                const Tag& t = tags[index];
                std::printf("{\"cycle\":%llu,\"tag\":\"%s\",\"value\":\"%s\",\"quality\":%u,\"time\":\"%s\","
                            "\"status\":%d}\n",
                            static_cast<unsigned long long>(cycle), t.name.c_str(), t.last.text.c_str(),
                            t.last.quality, TimeStampText(t.last.timeStamp).c_str(), group.lastStatus);
            }
    } else if (table) {
        std::printf("\x1b[H\x1b[2J");
        std::printf("vorne poll - scan %llu (Ctrl-C stops)\n\n", static_cast<unsigned long long>(cycle));
        std::printf("%-20s %-24s %-10s %-7s %s\n", "TAG", "VALUE", "QUALITY", "STATUS", "TIME");
        for (const auto& group : groups)
            for (std::size_t index : group.tags) {
                const Tag& t = tags[index];
                std::printf("%-20s %-24s %-10u %-7d %s\n", t.name.c_str(), t.last.text.c_str(), t.last.quality,
                            group.lastStatus, TimeStampText(t.last.timeStamp).c_str());
            }
        std::printf("\n");
        for (const auto& group : groups)
            std::printf("group %-24s scans %-6llu time-outs %-6llu last %s\n", group.station.c_str(),
                        static_cast<unsigned long long>(group.scans), static_cast<unsigned long long>(group.timeouts),
                        StatusText(group.lastStatus).c_str());
    } else {
        for (const auto& group : groups)
            for (std::size_t index : group.tags) {
                const Tag& t = tags[index];
                std::printf("%llu %s %s quality=%u status=%s\n", static_cast<unsigned long long>(cycle), t.name.c_str(),
                            t.last.text.c_str(), t.last.quality, StatusText(group.lastStatus).c_str());
            }
    }
    std::fflush(stdout);
}

}  // namespace

int RunPoll(const CommonOptions& options, const char* argv0) {
    if (options.tagsFile.empty()) {
        std::fprintf(stderr, "vorne poll: needs --tags FILE (see vorne poll --help)\n");
        return kExitUsage;
    }
    std::vector<Tag> tags;
    std::string error;
    if (!LoadTags(options.tagsFile, tags, error)) {
        std::fprintf(stderr, "vorne poll: %s\n", error.c_str());
        return kExitUsage;
    }
    std::map<std::pair<std::string, std::string>, std::size_t> groupIndex;
    std::vector<Group> groups;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        const auto key = std::make_pair(tags[i].station, ObjectTypeOf(tags[i].address));
        auto [it, inserted] = groupIndex.emplace(key, groups.size());
        if (!inserted && groups[it->second].tags.size() == kMostTagsPerGroup) {
            it->second = groups.size();  // full: the type's next tags start a new group
            inserted = true;
        }
        if (inserted) groups.push_back(Group{tags[i].station, {}, 0, 0, 0});
        groups[it->second].tags.push_back(i);
    }

    DriverHost driver(options.driverPath.empty() ? DefaultLibraryPath(argv0) : options.driverPath);
    if (!OpenDriver(driver, options)) return kExitFailed;
    for (std::size_t g = 0; g < groups.size(); ++g)
        driver.AddGroup(static_cast<std::intptr_t>(g + 1), platform::Utf8ToUtf16(groups[g].station));

    std::signal(SIGINT, [](int) { g_stop = true; });
    const bool table = !options.json && VORNE_ISATTY(VORNE_FILENO(stdout));
    for (std::uint64_t cycle = 1; !g_stop && (options.count < 0 || static_cast<std::int64_t>(cycle) <= options.count);
         ++cycle) {
        const std::uint32_t started = platform::TickCount();
        for (auto& group : groups) {
            std::vector<std::u16string> addresses;
            for (std::size_t index : group.tags) addresses.push_back(platform::Utf8ToUtf16(tags[index].address));
            const ScanResult scan = driver.Read(platform::Utf8ToUtf16(group.station), addresses);
            ++group.scans;
            group.lastStatus = scan.statusWritten ? scan.status : 0;
            if (group.lastStatus == -15) ++group.timeouts;
            for (std::size_t k = 0; k < group.tags.size(); ++k)
                tags[group.tags[k]].last = k < scan.values.size() ? scan.values[k] : TagValue{};
        }
        PrintScan(tags, groups, options.json, table, cycle);
        while (!g_stop && platform::TickCount() - started < options.intervalMs) {
            driver.Idle();
            platform::SleepMs(10);
        }
    }
    for (std::size_t g = 0; g < groups.size(); ++g) driver.RemoveGroup(static_cast<std::intptr_t>(g + 1));
    driver.Close();
    return kExitOk;
}

}  // namespace vorne_tool
