// vorne_soak: polls a simulated device through the driver, as a host that
// runs unattended does, for a set time, and reports the memory the process
// uses at the start and at the end. The driver is loaded as a host loads it;
// the device (and, with --lossy, the fault relay in front of it) runs in
// this process, so the figures cover all three, whose state is bounded.
//
//   vorne_soak [--seconds N] [--port N] [--lossy] [--driver PATH]
//
// Each round reads a group of analog values (ReadPropertyMultiple), one value
// (ReadProperty), a weekly schedule (a long text), the device's object list
// (a segmented answer from a device found by Who-Is) and writes a value.
// Memory is sampled after a warm-up round and then every tenth of the run;
// the exit status is 1 when the heap in use grew by more than 256 KiB or a
// round found a value on the wrong tag.
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/utf.hpp"
#include "relay/udp_relay.hpp"
#include "sim/simulator.hpp"
#include "tools/vorne/driver_host.hpp"

namespace {

constexpr long kAllowedHeapGrowth = 256 * 1024;

struct Memory {
    long residentKiB = 0;
    long heapInUse = 0;  // bytes handed out by malloc and not yet freed
};

Memory MemoryNow() {
    Memory memory;
    long pages = 0, resident = 0;
    std::ifstream statm("/proc/self/statm");
    if (statm >> pages >> resident) memory.residentKiB = resident * (sysconf(_SC_PAGESIZE) / 1024);
    const struct mallinfo2 info = mallinfo2();
    memory.heapInUse = static_cast<long>(info.uordblks + info.hblkhd);
    return memory;
}

struct Options {
    unsigned seconds = 60;
    unsigned port = 47808;
    bool lossy = false;
    std::string driver;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seconds" && hasValue)
            options.seconds = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--port" && hasValue)
            options.port = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--driver" && hasValue)
            options.driver = argv[++i];
        else if (arg == "--lossy")
            options.lossy = true;
        else
            return false;
    }
    return options.seconds > 0 && options.port > 0 && options.port < 65536;
}

std::vector<std::u16string> Wide(const std::vector<std::string>& texts) {
    std::vector<std::u16string> wide;
    for (const auto& text : texts) wide.push_back(platform::Utf8ToUtf16(text));
    return wide;
}

struct Tally {
    unsigned long rounds = 0, scans = 0, complete = 0, noAnswer = 0, other = 0, wrongTag = 0;
};

class Poller {
public:
    Poller(vorne_tool::DriverHost& driver, std::u16string station) : driver_(driver), station_(std::move(station)) {}

    void Round(Tally& tally) {
        for (unsigned n = 2; n < 12; ++n) group_.push_back("AV:" + std::to_string(n) + ":PRESENT-VALUE");
        Scan(tally, station_, group_, true);
        Scan(tally, station_, {"AV:" + std::to_string(2 + tally.rounds % 20) + ":PRESENT-VALUE"}, true);
        Scan(tally, station_, {"SCH:1:WEEKLY-SCHEDULE"}, false);
        Scan(tally, u"0:1234", {"DEV:1234:OBJECT-LIST"}, false);
        const std::string value = std::to_string(20 + tally.rounds % 7);
        driver_.Write(station_, u"AV:300:PRESENT-VALUE:8", platform::Utf8ToUtf16(value));
        group_.clear();
        ++tally.rounds;
    }

private:
    // checkValues: the tags are AV n, whose value is n * 0.5.
    void Scan(Tally& tally, const std::u16string& station, const std::vector<std::string>& addresses,
              bool checkValues) {
        const vorne_tool::ScanResult scan = driver_.Read(station, Wide(addresses));
        ++tally.scans;
        if (!scan.sent || (scan.statusWritten && scan.status != 0)) {
            if (scan.status == -15) {
                ++tally.noAnswer;
            } else {
                ++tally.other;
                std::printf("status %d from a scan of %s\n", scan.status, addresses[0].c_str());
            }
            return;
        }
        ++tally.complete;
        if (!checkValues) return;
        for (std::size_t i = 0; i < scan.values.size(); ++i) {
            if (scan.values[i].quality != 192) continue;
            const unsigned n = static_cast<unsigned>(std::strtoul(addresses[i].c_str() + 3, nullptr, 10));
            if (std::strtod(scan.values[i].text.c_str(), nullptr) == n * 0.5) continue;
            ++tally.wrongTag;
            std::printf("wrong tag: %s (line %zu of %zu) shows %s\n", addresses[i].c_str(), i, addresses.size(),
                        scan.values[i].text.c_str());
        }
    }

    vorne_tool::DriverHost& driver_;
    std::u16string station_;
    std::vector<std::string> group_;
};

void Report(const char* when, unsigned long elapsedS, const Memory& memory, const Tally& tally) {
    std::printf("%-6s %5lus  resident %7ld KiB  heap in use %9ld bytes  rounds %lu  scans %lu (complete %lu, "
                "no answer %lu, other %lu)\n",
                when, elapsedS, memory.residentKiB, memory.heapInUse, tally.rounds, tally.scans, tally.complete,
                tally.noAnswer, tally.other);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: vorne_soak [--seconds N] [--port N] [--lossy] [--driver PATH]\n");
        return 2;
    }
    const auto port = static_cast<std::uint16_t>(options.port);
    const char* deviceAddress = "127.0.0.2";
    const char* relayAddress = "127.0.0.3";
    ::setenv("VORNE_BIND", "127.0.0.1", 1);
    ::setenv("VORNE_BROADCAST", options.lossy ? relayAddress : deviceAddress, 1);
    if (std::getenv("VORNE_LOG") == nullptr) ::setenv("VORNE_LOG", "/dev/null", 1);

    sim::Simulator device;
    sim::SimOptions simOptions;
    simOptions.bindAddress = deviceAddress;
    simOptions.port = options.lossy ? 0 : port;
    std::string error;
    if (!device.Start(simOptions, error)) return std::fprintf(stderr, "simulator: %s\n", error.c_str()), 1;

    relay::UdpRelay relay;
    if (options.lossy) {
        relay::RelayOptions relayOptions;
        relayOptions.frontAddress = relayAddress;
        relayOptions.frontPort = port;
        relayOptions.deviceAddress = deviceAddress;
        relayOptions.devicePort = device.Port();
        relay::Faults faults{0.05, 0.05, 0.05, 0.05, 0.02, 80};
        relayOptions.toDevice = faults;
        relayOptions.toDriver = faults;
        if (!relay.Start(relayOptions, error)) return std::fprintf(stderr, "relay: %s\n", error.c_str()), 1;
    }

    vorne_tool::DriverHost driver(options.driver.empty() ? vorne_tool::DefaultLibraryPath(argv[0]) : options.driver);
    if (!driver.Loaded()) return std::fprintf(stderr, "%s\n", driver.Error().c_str()), 1;
    vorne_tool::HostSettings settings;
    settings.udpPort = port;
    settings.timeoutMs = 300;
    if (const std::int32_t code = driver.Open(settings); code != 0)
        return std::fprintf(stderr, "the driver did not open: error %d\n", code), 1;
    driver.AddGroup(1, platform::Utf8ToUtf16(options.lossy ? relayAddress : deviceAddress));
    driver.AddGroup(2, u"0:1234");

    Poller poller(driver, platform::Utf8ToUtf16(options.lossy ? relayAddress : deviceAddress));
    Tally tally;
    const std::uint32_t start = platform::TickCount();
    auto elapsedMs = [&] { return platform::TickCount() - start; };
    // Warm-up: the device is bound, pools and tables reach their working size.
    for (int i = 0; i < 20; ++i) poller.Round(tally);
    const Memory first = MemoryNow();
    Report("start", elapsedMs() / 1000, first, tally);
    const std::uint32_t totalMs = options.seconds * 1000;
    std::uint32_t nextSample = totalMs / 10;
    Memory last = first;
    while (elapsedMs() < totalMs) {
        poller.Round(tally);
        if (elapsedMs() >= nextSample) {
            last = MemoryNow();
            Report(nextSample + totalMs / 10 > totalMs ? "end" : "", elapsedMs() / 1000, last, tally);
            nextSample += totalMs / 10;
        }
    }
    last = MemoryNow();
    driver.Close();
    relay.Stop();
    device.Stop();

    const long growth = last.heapInUse - first.heapInUse;
    std::printf("heap in use: start %ld bytes, end %ld bytes, growth %ld bytes; resident %ld -> %ld KiB; "
                "%lu values on the wrong tag\n",
                first.heapInUse, last.heapInUse, growth, first.residentKiB, last.residentKiB, tally.wrongTag);
    if (tally.wrongTag != 0 || growth > kAllowedHeapGrowth) {
        std::printf("SOAK FAILED: %s\n", tally.wrongTag != 0 ? "values on the wrong tag" : "the heap grew");
        return 1;
    }
    std::printf("soak: memory flat\n");
    return 0;
}
