// Scans of a group with one erroring property: the driver, loaded and called
// through its exported entries as a host does, scans a simulated device on
// loopback with two groups of three tags, interleaved round by round:
//   clean    - AI 1, 2, 3 present-value;
//   erroring - AI 1, 2 present-value and AI 1 priority-array, which an analog
//              input lacks: the device answers unknown-property for it.
// The figure is the erroring group's scan rate as a share of the clean
// group's, per round (the groups take turns in tenths of it), with
// min / median / max over the rounds. The driver's
// time-out is 3000 ms, so a scan that waited for it would show at once.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/support/driver_library.hpp"
#include "bench/support/figures.hpp"
#include "bench/support/log_counter.hpp"
#include "bench/support/percentiles.hpp"
#include "bench/support/round_program.hpp"
#include "sim/simulator.hpp"
#include "tagcore.h"

namespace {

constexpr const char* kDeviceIp = "127.0.0.9";
constexpr const char* kHostIp = "127.0.0.1";
constexpr std::uint16_t kTimeoutMs = 3000;

struct Result {
    double scansPerSecond = 0;
    std::uint64_t unexpected = 0;  // scans whose records or status were not as the group's answer says
};

// Scans the group for the given time; erroring: the third line must come back
// without quality and the status must be 15 (unknown property).
Result Scans(bench::DriverLibrary& driver, const std::vector<const char16_t*>& tags, bool erroring, double seconds) {
    const std::u16string station(kDeviceIp, kDeviceIp + std::strlen(kDeviceIp));
    const auto count = static_cast<std::int32_t>(tags.size());
    std::vector<HostValue> values(tags.size());
    Result result;
    std::uint64_t scans = 0;
    const std::int64_t start = bench::NowNs();
    const std::int64_t end = start + static_cast<std::int64_t>(seconds * 1e9);
    while (bench::NowNs() < end) {
        std::int32_t status = 0;
        if (driver->readStart(station.c_str(), nullptr, tags.data(), count, &status) != 1) {
            ++result.unexpected;
            continue;
        }
        status = 0;
        while (driver->readFinish(values.data(), 0, count, &status) != 1) {
        }
        ++scans;
        const bool good = values[0].quality == 192 && values[1].quality == 192 &&
                          values[2].quality == (erroring ? 0 : 192) && status == (erroring ? 15 : 0);
        if (!good) ++result.unexpected;
    }
    result.scansPerSecond = static_cast<double>(scans) / (static_cast<double>(bench::NowNs() - start) / 1e9);
    return result;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 2.0;  // per group and round
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) {
            seconds = 0.2;
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: vorne_error_line_bench [--seconds S] [--rounds N] [--smoke]\n");
            return 2;
        }
    }

    sim::Simulator device;
    if (!bench::StartDevice(device, kDeviceIp, sim::SimOptions().deviceInstance, "vorne_error_line_bench")) return 1;
    setenv("VORNE_BIND", kHostIp, 1);
    bench::DriverLibrary driver;
    std::int32_t openError = 0;
    if (!driver.Loaded() || !driver.Open(device.Port(), kTimeoutMs, openError)) {
        std::fprintf(stderr, "error line bench: the driver did not open (%s, error %d)\n", driver.Error().c_str(),
                     openError);
        return 1;
    }

    const std::vector<const char16_t*> clean = {u"AI:1:PRESENT-VALUE", u"AI:2:PRESENT-VALUE", u"AI:3:PRESENT-VALUE"};
    const std::vector<const char16_t*> erroring = {u"AI:1:PRESENT-VALUE", u"AI:2:PRESENT-VALUE",
                                                   u"AI:1:PRIORITY-ARRAY"};
    Scans(driver, clean, false, 0.05);  // warm-up
    Scans(driver, erroring, true, 0.05);

    std::printf("error line bench: device %s (tools/sim), time-out %u ms, %d rounds of %.1f s per group\n",
                kDeviceIp, kTimeoutMs, rounds, seconds);
    std::printf("%-6s %14s %14s %8s\n", "round", "clean scans/s", "erroring/s", "ratio");
    std::vector<double> ratios, cleanRates, erroringRates;
    std::uint64_t unexpected = 0;
    // Within a round the groups take turns in short slices, so that a change of
    // the machine's load falls on both alike.
    constexpr int kSlices = 10;
    for (int round = 1; round <= rounds; ++round) {
        double a = 0, b = 0;
        for (int slice = 0; slice < kSlices; ++slice) {
            const Result first = Scans(driver, clean, false, seconds / kSlices);
            const Result second = Scans(driver, erroring, true, seconds / kSlices);
            a += first.scansPerSecond / kSlices;
            b += second.scansPerSecond / kSlices;
            unexpected += first.unexpected + second.unexpected;
        }
        ratios.push_back(a > 0 ? b / a : 0);
        cleanRates.push_back(a);
        erroringRates.push_back(b);
        std::printf("%-6d %14.0f %14.0f %8.2f\n", round, a, b, ratios.back());
    }
    // One figure per program run (the median of its rounds), for bench/summarise.py.
    bench::PrintFigure("clean scans/s", Median(cleanRates), "1/s");
    bench::PrintFigure("erroring scans/s", Median(erroringRates), "1/s");
    bench::PrintFigure("erroring/clean scans/s", Median(ratios), "x");
    std::printf("ratio erroring/clean: min %.2f, median %.2f, max %.2f\n",
                *std::min_element(ratios.begin(), ratios.end()), Median(ratios),
                *std::max_element(ratios.begin(), ratios.end()));
    // Each erroring scan logs its error and its missing line, as a host's log would show.
    std::printf("log lines from the driver: %llu\n", static_cast<unsigned long long>(bench::LoggedLines()));
    driver.Close();
    device.Stop();
    if (unexpected != 0) {
        std::printf("error line bench: FAILED (%llu scans with other records or status)\n",
                    static_cast<unsigned long long>(unexpected));
        return 1;
    }
    return 0;
}
