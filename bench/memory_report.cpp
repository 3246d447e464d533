// The memory report: heap bytes in use (glibc's mallinfo2) that driver
// instances hold after UDrvOpenW, and after 10,000 tags (100 groups of 100:
// present-value and relinquish-default of AV 1..5000) have each been scanned
// 1,000 times through the entries. The simulated device runs in this process
// too; it is started (and its objects built) before the first figure, and
// what it allocates per request it frees again.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/driver_library.hpp"
#include "bench/support/log_counter.hpp"
#include "bench/support/percentiles.hpp"
#include "platform/named_objects.hpp"
#include "sim/simulator.hpp"
#include "tagcore.h"

namespace {

constexpr const char* kDeviceIp = "127.0.0.9";
constexpr int kObjects = 5000;
constexpr int kGroupTags = 100;

// Bytes handed out by malloc, from the arenas and as separate mappings (large blocks).
long long HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

std::vector<std::vector<std::u16string>> Groups() {
    std::vector<std::vector<std::u16string>> groups;
    for (int first = 1; first <= kObjects; first += kGroupTags / 2) {
        std::vector<std::u16string> tags;
        for (int i = first; i < first + kGroupTags / 2; ++i) {
            const std::string n = std::to_string(i);
            const std::u16string instance(n.begin(), n.end());
            tags.push_back(u"AV:" + instance + u":PRESENT-VALUE");
            tags.push_back(u"AV:" + instance + u":RELINQUISH-DEFAULT");
        }
        groups.push_back(std::move(tags));
    }
    return groups;
}

// One scan of a group; false unless every value came back good.
bool Scan(bench::DriverLibrary& driver, const std::u16string& station, const std::vector<const char16_t*>& tags,
          std::vector<HostValue>& values) {
    std::int32_t status = 0;
    const auto count = static_cast<std::int32_t>(tags.size());
    if (driver->readStart(station.c_str(), nullptr, tags.data(), count, &status) != 1) return false;
    while (driver->readFinish(values.data(), 0, count, &status) != 1) {
    }
    if (status != 0) return false;
    for (const HostValue& v : values)
        if (v.quality != 192) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int passes = 1000;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--passes" && i + 1 < argc) {
            passes = std::atoi(argv[++i]);
        } else if (arg == "--smoke") {
            passes = 5;
        } else {
            std::fprintf(stderr, "usage: vorne_memory_report [--passes N] [--smoke]\n");
            return 2;
        }
    }
    const std::string objectsFile =
        (std::filesystem::temp_directory_path() / ("vorne-memory-" + std::to_string(platform::CurrentProcessId()) + ".txt"))
            .string();
    std::ofstream(objectsFile) << "AV 1.." << kObjects << " present-value=20\n";
    sim::Simulator device;
    sim::SimOptions simOptions;
    simOptions.bindAddress = kDeviceIp;
    simOptions.port = 0;
    simOptions.objectsFile = objectsFile;
    std::string error;
    const bool started = device.Start(simOptions, error);
    std::filesystem::remove(objectsFile);
    if (!started) {
        std::fprintf(stderr, "memory report: the simulated device did not start: %s\n", error.c_str());
        return 1;
    }
    setenv("VORNE_BIND", "127.0.0.1", 1);

    const auto groups = Groups();
    std::vector<std::vector<const char16_t*>> texts(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (const auto& tag : groups[g]) texts[g].push_back(tag.c_str());
    std::vector<HostValue> values(kGroupTags);
    const std::u16string station(kDeviceIp, kDeviceIp + 9);

    bench::DriverLibrary first(1), second(2);
    if (!first.Loaded() || !second.Loaded()) {
        std::fprintf(stderr, "memory report: cannot load the driver: %s %s\n", first.Error().c_str(),
                     second.Error().c_str());
        return 1;
    }
    std::int32_t openError = 0;
    const long long beforeOpen = HeapInUse();
    if (!first.Open(device.Port(), 3000, openError)) return std::fprintf(stderr, "open failed: %d\n", openError), 1;
    const long long afterFirst = HeapInUse();
    if (!second.Open(device.Port(), 3000, openError)) return std::fprintf(stderr, "open failed: %d\n", openError), 1;
    const long long afterSecond = HeapInUse();
    std::printf("memory report (heap bytes in use: glibc mallinfo2, arenas and mapped blocks)\n");
    std::printf("  first instance after open:  %lld bytes (the master: it holds the shared ring, 74 slots of 3044 bytes)\n",
                afterFirst - beforeOpen);
    std::printf("  second instance after open: %lld bytes\n", afterSecond - afterFirst);
    second.Close();

    int failures = 0;
    auto pass = [&] {
        for (std::size_t g = 0; g < groups.size(); ++g) failures += !Scan(first, station, texts[g], values);
    };
    pass();
    const long long afterOnePass = HeapInUse();
    std::printf("  after pass 1 over %zu tags: %lld bytes above the open instance\n", groups.size() * kGroupTags,
                afterOnePass - afterFirst);
    const std::int64_t t0 = bench::NowNs();
    for (int p = 2; p <= passes; ++p) {
        pass();
        if (p % (passes >= 10 ? passes / 10 : 1) == 0)
            std::printf("  after pass %d: %lld bytes above the open instance\n", p, HeapInUse() - afterFirst);
    }
    const double seconds = static_cast<double>(bench::NowNs() - t0) / 1e9;
    const long long afterAll = HeapInUse();
    std::printf("  growth from pass 1 to pass %d: %lld bytes; %d scans of %d tags in %.1f s, %d failed; %llu log "
                "lines counted\n",
                passes, afterAll - afterOnePass, passes * static_cast<int>(groups.size()), kGroupTags, seconds,
                failures, static_cast<unsigned long long>(bench::LoggedLines()));
    first.Close();
    device.Stop();
    // The figure moves by a few kilobytes with whatever buffer (of the device's
    // thread, of an answer in flight) happens to be allocated when it is taken.
    constexpr long long kInFlightBytes = 8192;
    const bool ok = failures == 0 && afterAll - afterOnePass <= kInFlightBytes;
    if (!ok) std::printf("memory report: FAILED (%s)\n", failures != 0 ? "scans failed" : "the heap grew");
    return ok ? 0 : 1;
}
