// The shared-receiver benchmark: datagrams per second that the shared
// receiver absorbs into its ring while 1 or 4 driver instances (copies of the
// library in this process) consume it, each on its own host thread ticking
// UDrvOnIdle. The sender keeps at most a window of datagrams ahead of the
// slowest instance (less than the ring's room), so none may be lost; every
// datagram consumed by an instance writes one log line, which this program
// counts per host thread.
//
// The reference, in the same run: a bare UDP socket on its own thread
// receiving the same datagrams with the same window.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/driver_library.hpp"
#include "bench/support/figures.hpp"
#include "bench/support/log_counter.hpp"
#include "bench/support/percentiles.hpp"
#include "platform/udp_socket.hpp"

namespace {

using bench::NowNs;

constexpr const char* kHostIp = "127.0.0.1";
// An unconfirmed service that the driver does not serve: one log line per consumer.
const std::vector<std::uint8_t> kDatagram{0x81, 0x0A, 0x00, 0x08, 0x01, 0x00, 0x10, 0x63};
constexpr std::uint64_t kWindow = 48;  // below the ring's 64 slots of room

struct Options {
    double seconds = 2.0;
    std::uint32_t tickUs = 0;  // the host's pause between idle ticks; 0 yields only
    bool smoke = false;
};

std::uint32_t Ip(const char* text) { return *platform::ParseIpv4(text); }

struct Result {
    std::uint64_t sent = 0, consumed = 0;
    double seconds = 0;
    bool stalled = false;
};

// Sends for the given time, keeping at most kWindow datagrams ahead of what
// `consumed` reports, then waits for the rest to be consumed.
template <typename Consumed>
Result SendWindowed(std::uint16_t port, double seconds, Consumed consumed) {
    std::int32_t error = 0;
    const auto socket = platform::UdpSocketOpen(error);
    platform::UdpSocketBind(socket, Ip(kHostIp), 0, error);
    Result result;
    const std::int64_t start = NowNs();
    const std::int64_t end = start + static_cast<std::int64_t>(seconds * 1e9);
    std::int64_t lastProgress = start;
    std::uint64_t lastSeen = 0;
    while (NowNs() < end) {
        const std::uint64_t seen = consumed();
        if (seen != lastSeen) {
            lastSeen = seen;
            lastProgress = NowNs();
        } else if (NowNs() - lastProgress > 1000000000) {
            result.stalled = true;
            break;
        }
        if (result.sent - seen >= kWindow) {
            std::this_thread::yield();
            continue;
        }
        platform::UdpSocketSendTo(socket, Ip(kHostIp), port, kDatagram.data(), kDatagram.size());
        ++result.sent;
    }
    const std::int64_t drainEnd = NowNs() + 2000000000;
    while (consumed() < result.sent && NowNs() < drainEnd) std::this_thread::yield();
    result.consumed = consumed();
    result.seconds = static_cast<double>(NowNs() - start) / 1e9;
    platform::UdpSocketClose(socket);
    return result;
}

Result BareSocket(double seconds) {
    std::int32_t error = 0;
    const auto socket = platform::UdpSocketOpen(error);
    platform::UdpSocketBind(socket, Ip(kHostIp), 0, error);
    platform::UdpSocketSetReceiveTimeout(socket, 50);
    const std::uint16_t port = platform::UdpSocketLocalPort(socket);
    std::atomic<std::uint64_t> received{0};
    std::atomic<bool> running{true};
    std::thread receiver([&] {
        std::uint8_t data[3000];
        while (running) {
            std::uint32_t address = 0;
            std::uint16_t from = 0;
            std::int32_t code = 0;
            if (platform::UdpSocketReceive(socket, data, sizeof data, address, from, code) > 0) ++received;
        }
    });
    const Result result = SendWindowed(port, seconds, [&] { return received.load(); });
    running = false;
    receiver.join();
    platform::UdpSocketClose(socket);
    return result;
}

// A free UDP port on the host address.
std::uint16_t FreePort() {
    std::int32_t error = 0;
    const auto socket = platform::UdpSocketOpen(error);
    platform::UdpSocketBind(socket, Ip(kHostIp), 0, error);
    const std::uint16_t port = platform::UdpSocketLocalPort(socket);
    platform::UdpSocketClose(socket);
    return port;
}

bool DriverInstances(int count, const Options& options, Result& result) {
    const std::uint16_t port = FreePort();
    std::vector<std::unique_ptr<bench::DriverLibrary>> drivers;
    for (int i = 0; i < count; ++i) {
        drivers.push_back(std::make_unique<bench::DriverLibrary>(i + 1));
        std::int32_t error = 0;
        if (!drivers.back()->Loaded() || !drivers.back()->Open(port, 3000, error)) {
            std::fprintf(stderr, "receiver bench: instance %d did not open (%s, error %d)\n", i + 1,
                         drivers.back()->Error().c_str(), error);
            return false;
        }
    }
    std::atomic<bool> running{true};
    std::vector<std::thread> hosts;
    // Datagrams consumed per instance (each host thread counts its own lines).
    std::vector<std::atomic<std::uint64_t>> consumed(drivers.size());
    for (std::size_t i = 0; i < drivers.size(); ++i) {
        hosts.emplace_back([&running, &options, counter = &consumed[i], entries = (*drivers[i]).operator->()] {
            bench::CountThreadMarkedLines(counter);
            while (running.load(std::memory_order_relaxed)) {
                entries->onIdle();
                if (options.tickUs != 0)
                    std::this_thread::sleep_for(std::chrono::microseconds(options.tickUs));
                else
                    std::this_thread::yield();
            }
        });
    }
    // The slowest instance sets the pace: the window keeps it within the ring's room.
    auto slowest = [&] {
        std::uint64_t least = consumed[0].load();
        for (const auto& c : consumed) least = std::min(least, c.load());
        return least;
    };
    result = SendWindowed(port, options.seconds, slowest);
    result.consumed = slowest();
    running = false;
    for (auto& host : hosts) host.join();
    for (auto it = drivers.rbegin(); it != drivers.rend(); ++it) (*it)->Close();
    return true;
}

void Print(const char* what, const Result& r, double reference) {
    const double rate = r.seconds > 0 ? static_cast<double>(r.consumed) / r.seconds : 0;
    std::printf("  %-22s %10.0f datagrams/s  sent %llu, consumed %llu, lost %lld%s", what, rate,
                static_cast<unsigned long long>(r.sent), static_cast<unsigned long long>(r.consumed),
                static_cast<long long>(r.sent) - static_cast<long long>(r.consumed), r.stalled ? " (stalled)" : "");
    if (reference > 0) std::printf("  ratio to bare socket %.2f", rate / reference);
    std::printf("\n");
    bench::PrintFigure(std::string(what) + " datagrams/s", rate, "1/s");
    bench::PrintFigure(std::string(what) + " lost", static_cast<double>(r.sent) - static_cast<double>(r.consumed), "");
    if (reference > 0) bench::PrintFigure(std::string(what) + " / bare socket", rate / reference, "x");
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            options.seconds = std::atof(argv[++i]);
        } else if (arg == "--tick-us" && i + 1 < argc) {
            options.tickUs = static_cast<std::uint32_t>(std::atoi(argv[++i]));
        } else if (arg == "--smoke") {
            options.seconds = 0.3;
        } else {
            std::fprintf(stderr, "usage: vorne_receiver_bench [--seconds S] [--tick-us N] [--smoke]\n");
            return 2;
        }
    }
    setenv("VORNE_BIND", kHostIp, 1);
    bench::SetLogMarker(u"UnconfirmedRequest): 99");
    std::printf("receiver bench: %zu-byte datagrams, at most %llu in flight; hosts tick UDrvOnIdle %s\n",
                kDatagram.size(), static_cast<unsigned long long>(kWindow),
                options.tickUs == 0 ? "in a loop (yielding)" : ("every " + std::to_string(options.tickUs) + " us").c_str());
    const Result bare = BareSocket(options.seconds);
    const double reference = bare.seconds > 0 ? static_cast<double>(bare.consumed) / bare.seconds : 0;
    Print("bare socket", bare, 0);
    bool ok = bare.consumed == bare.sent;
    for (int count : {1, 4}) {
        Result result;
        if (!DriverInstances(count, options, result)) return 1;
        Print(count == 1 ? "driver, 1 instance" : "driver, 4 instances", result, reference);
        ok &= result.consumed == result.sent && !result.stalled;
    }
    if (!ok) std::printf("receiver bench: FAILED (datagrams were lost; last log line: %s)\n", bench::LastLoggedLine().c_str());
    return ok ? 0 : 1;
}
