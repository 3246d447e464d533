// The multi-instance benchmark: K driver instances (copies of the library in
// one process, sharing one socket), each scanned by its own host thread with
// a 1-tag group of its own (ReadProperty of AV k present-value), against one
// simulated device; K = 1, 2, 4. The reference, in the same run and just
// before: K bare client threads, each sending the same ReadProperty from its
// own socket to the same device and waiting for the answer.
//
// One run is one round; bench/run.sh runs it several times between the other
// programs and bench/summarise.py takes min / median / max of its figures.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/bare_client.hpp"
#include "bench/support/driver_library.hpp"
#include "bench/support/figures.hpp"
#include "bench/support/log_counter.hpp"
#include "bench/support/percentiles.hpp"
#include "bench/support/round_program.hpp"
#include "sim/simulator.hpp"
#include "tagcore.h"

namespace {

using bench::NowNs;

constexpr const char* kDeviceIp = "127.0.0.9";
constexpr const char* kHostIp = "127.0.0.1";
constexpr std::uint16_t kAnalogValue = 2;
constexpr std::uint8_t kPresentValue = 85;


struct Outcome {
    std::vector<std::int64_t> samples;  // every scan of every thread, ns
    std::uint64_t failures = 0;
    double seconds = 0;
};

// Runs `scan(k, samples, failures)` on K threads for the given time.
template <typename Scan>
Outcome OnThreads(int k, Scan scan) {
    std::vector<std::vector<std::int64_t>> samples(static_cast<std::size_t>(k));
    std::vector<std::uint64_t> failures(static_cast<std::size_t>(k), 0);
    std::vector<std::thread> threads;
    const std::int64_t start = NowNs();
    for (int i = 0; i < k; ++i)
        threads.emplace_back([&, i] { scan(i, samples[static_cast<std::size_t>(i)], failures[static_cast<std::size_t>(i)]); });
    for (auto& t : threads) t.join();
    Outcome outcome;
    outcome.seconds = static_cast<double>(NowNs() - start) / 1e9;
    for (int i = 0; i < k; ++i) {
        outcome.samples.insert(outcome.samples.end(), samples[static_cast<std::size_t>(i)].begin(),
                               samples[static_cast<std::size_t>(i)].end());
        outcome.failures += failures[static_cast<std::size_t>(i)];
    }
    return outcome;
}

Outcome BareThreads(int k, std::uint16_t devicePort, double seconds) {
    return OnThreads(k, [&](int i, std::vector<std::int64_t>& samples, std::uint64_t& failures) {
        bench::BareClient client(kHostIp, 1000);
        bench::Bytes request = bench::ReadPropertyFrame(kAnalogValue, static_cast<std::uint32_t>(i + 1), kPresentValue);
        const std::int64_t end = NowNs() + static_cast<std::int64_t>(seconds * 1e9);
        while (NowNs() < end) {
            const std::int64_t t0 = NowNs();
            if (client.RoundTrip(bench::Ip(kDeviceIp), devicePort, request) == 0) ++failures;
            samples.push_back(NowNs() - t0);
        }
    });
}

// K instances opened for this measurement only: an instance that is open but
// not ticked would hold the shared ring back for the others.
Outcome DriverThreads(int k, std::uint16_t devicePort, double seconds, std::string& error) {
    std::vector<std::unique_ptr<bench::DriverLibrary>> drivers;
    for (int i = 0; i < k; ++i) {
        drivers.push_back(std::make_unique<bench::DriverLibrary>(i + 1));
        std::int32_t openError = 0;
        if (!drivers.back()->Loaded() || !drivers.back()->Open(devicePort, 1000, openError)) {
            error = "instance " + std::to_string(i) + " did not open (" + drivers.back()->Error() + ", error " +
                    std::to_string(openError) + ")";
            return {};
        }
    }
    // One end for every thread; a thread that is done keeps ticking its
    // instance, as a host does, until all are done: an instance that stops
    // ticking holds the shared ring back for the others for 5 s.
    const std::int64_t end = NowNs() + static_cast<std::int64_t>(seconds * 1e9);
    std::atomic<int> running{k};
    Outcome outcome = OnThreads(k, [&](int i, std::vector<std::int64_t>& samples, std::uint64_t& failures) {
        const bench::DriverLibrary& driver = *drivers[static_cast<std::size_t>(i)];
        const std::string text = "AV:" + std::to_string(i + 1) + ":PRESENT-VALUE";
        const std::u16string address(text.begin(), text.end());
        const char16_t* addresses[1] = {address.c_str()};
        const std::string ip = kDeviceIp;
        const std::u16string station(ip.begin(), ip.end());
        HostValue value{};
        while (NowNs() < end) {
            std::int32_t status = 0;
            const std::int64_t t0 = NowNs();
            if (driver->readStart(station.c_str(), nullptr, addresses, 1, &status) != 1) {
                ++failures;
                continue;
            }
            while (driver->readFinish(&value, 0, 1, &status) != 1) {
            }
            if ((status != 0 || value.quality != 192) && failures++ == 0)
                std::printf("instance %d: a scan started at %lld us ended with status %d, quality %u; its latest log lines:\n%s", i,
                            static_cast<long long>(t0 / 1000), status, value.quality, bench::RecentThreadLines().c_str());
            samples.push_back(NowNs() - t0);
        }
        running.fetch_sub(1);
        while (running.load() > 0) driver->onIdle();
    });
    for (auto it = drivers.rbegin(); it != drivers.rend(); ++it) (*it)->Close();
    return outcome;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 1.0;  // per figure
    if (!bench::ParseRoundOptions(argc, argv, "vorne_instances_bench", 0.2, seconds)) return 2;
    sim::Simulator device;
    if (!bench::StartDevice(device, kDeviceIp, sim::SimOptions().deviceInstance, "vorne_instances_bench")) return 1;
    setenv("VORNE_BIND", kHostIp, 1);
    std::printf("instances bench: device %s:%u (tools/sim); each instance and each bare client on its own thread\n",
                kDeviceIp, device.Port());
    bool ok = true;
    std::string error;
    for (const int k : {1, 2, 4}) {
        const Outcome bare = BareThreads(k, device.Port(), seconds);
        const Outcome driver = DriverThreads(k, device.Port(), seconds, error);
        if (!error.empty()) {
            std::fprintf(stderr, "instances bench: %s\n", error.c_str());
            return 1;
        }
        auto bareSamples = bare.samples, driverSamples = driver.samples;
        const bench::Summary b = bench::Summarise(bareSamples), d = bench::Summarise(driverSamples);
        const double bareRate = static_cast<double>(b.count) / bare.seconds;
        const double driverRate = static_cast<double>(d.count) / driver.seconds;
        const std::string prefix = "K=" + std::to_string(k) + " ";
        std::printf("K=%d  bare: %9.0f scans/s p50 %7.1f us p99 %7.1f us (%llu unanswered)\n", k, bareRate,
                    b.p50 / 1e3, b.p99 / 1e3, static_cast<unsigned long long>(bare.failures));
        std::printf("K=%d  driver: %7.0f scans/s p50 %7.1f us p99 %7.1f us (%llu failed)\n", k, driverRate,
                    d.p50 / 1e3, d.p99 / 1e3, static_cast<unsigned long long>(driver.failures));
        bench::PrintFigure(prefix + "bare scans/s", bareRate, "1/s");
        bench::PrintFigure(prefix + "driver scans/s", driverRate, "1/s");
        bench::PrintFigure(prefix + "driver/bare scans/s", bareRate > 0 ? driverRate / bareRate : 0, "x");
        bench::PrintFigure(prefix + "bare p99", b.p99 / 1e3, "us");
        bench::PrintFigure(prefix + "driver p99", d.p99 / 1e3, "us");
        bench::PrintFigure(prefix + "driver failed scans", static_cast<double>(driver.failures), "");
        ok &= d.count > 0;
    }
    device.Stop();
    if (!ok) std::printf("instances bench: FAILED (a scan failed; last log line: %s)\n", bench::LastLoggedLine().c_str());
    return ok ? 0 : 1;
}
