// The scan benchmark: the driver, loaded and called through its exported
// entries as a host does, scans a simulated device on loopback. Beside it, in
// the same run and interleaved round by round:
//   floor  - two bare UDP sockets exchanging datagrams of the same sizes
//            (an echo that answers at once);
//   direct - a bare socket sending the driver's request bytes to the same
//            simulated device (floor + the device's own work);
//   peer   - the same reads done by @bacnet-js/client (node, bench/peer).
//   /r     - direct and driver again, against a device that replays the
//            simulated device's answers at once (a server adding ~nothing);
// Groups: 1 tag (ReadProperty of AV 1 present-value) and 100 tags
// (ReadPropertyMultiple of present-value and relinquish-default of AV 1..50).
//
// The host polls UDrvReadGroupFinishExtW in a tight loop with no sleep (a busy
// host), unless --poll-sleep-us asks for a pause between polls.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/driver_library.hpp"
#include "bench/support/figures.hpp"
#include "bench/support/log_counter.hpp"
#include "bench/support/percentiles.hpp"
#include "bench/support/round_program.hpp"
#include "platform/udp_socket.hpp"
#include "sim/simulator.hpp"
#include "tagcore.h"

namespace {

using bench::NowNs;
using bench::Summary;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kDeviceIp = "127.0.0.9";
constexpr const char* kEchoIp = "127.0.0.10";
constexpr const char* kHostIp = "127.0.0.1";
constexpr const char* kReplayIp = "127.0.0.11";
constexpr std::uint8_t kAnalogValue = 2;
constexpr std::uint8_t kPresentValue = 85;
constexpr std::uint8_t kRelinquishDefault = 104;

struct Options {
    double seconds = 2.0;  // per group and contender, spread over the rounds
    int rounds = 4;
    bool peer = true;
    bool smoke = false;
    std::uint32_t pollSleepUs = 0;
    int onlyGroup = 0;  // 1 or 100: only that group (to profile one); 0: both
    std::string peerDir = VORNE_BENCH_PEER_DIR;
};

constexpr int kStartMeasuredEvery = 32;

std::int64_t ThreadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::uint32_t Ip(const char* text) { return *platform::ParseIpv4(text); }

// A request frame as the driver sends it (Original-Unicast, no routing).
Bytes ReadPropertyFrame(std::uint8_t invokeId) {
    return {0x81, 0x0A, 0x00, 0x11, 0x01, 0x04, 0x00, 0x05, invokeId, 0x0C, 0x0C, 0x00, 0x80, 0x00, 0x01, 0x19,
            kPresentValue};
}

Bytes ReadPropertyMultipleFrame(std::uint8_t invokeId) {
    Bytes frame{0x81, 0x0A, 0x00, 0x00, 0x01, 0x04, 0x00, 0x05, invokeId, 0x0E};
    for (std::uint8_t i = 1; i <= 50; ++i) {
        const Bytes object{0x0C, 0x00, 0x80, 0x00, i, 0x1E, 0x09, kPresentValue, 0x09, kRelinquishDefault, 0x1F};
        frame.insert(frame.end(), object.begin(), object.end());
    }
    frame[2] = static_cast<std::uint8_t>(frame.size() >> 8);
    frame[3] = static_cast<std::uint8_t>(frame.size());
    return frame;
}

struct Socket {
    platform::SocketHandle handle = platform::kNoSocket;
    std::uint16_t port = 0;
    Socket(const char* ip, std::uint32_t timeoutMs) {
        std::int32_t error = 0;
        handle = platform::UdpSocketOpen(error);
        platform::UdpSocketBind(handle, Ip(ip), 0, error);
        platform::UdpSocketSetReceiveTimeout(handle, timeoutMs);
        port = platform::UdpSocketLocalPort(handle);
    }
    ~Socket() { platform::UdpSocketClose(handle); }
    // Waits for one datagram; its length, or 0 after the time-out.
    std::int32_t Receive(std::uint8_t* data, std::size_t capacity) {
        std::uint32_t address = 0;
        std::uint16_t from = 0;
        std::int32_t error = 0;
        return platform::UdpSocketReceive(handle, data, capacity, address, from, error);
    }
};

// The floor: an echo on its own address that answers every datagram at once
// with a datagram of the answer's size.
class Echo {
public:
    explicit Echo(std::size_t answerBytes) : socket_(kEchoIp, 50), answer_(answerBytes, 0x55) {
        thread_ = std::thread([this] { Run(); });
    }
    ~Echo() {
        running_ = false;
        thread_.join();
    }
    std::uint16_t Port() const { return socket_.port; }

private:
    void Run() {
        std::uint8_t data[2048];
        while (running_) {
            std::uint32_t address = 0;
            std::uint16_t from = 0;
            std::int32_t error = 0;
            const auto n = platform::UdpSocketReceive(socket_.handle, data, sizeof data, address, from, error);
            if (n > 0) platform::UdpSocketSendTo(socket_.handle, address, from, answer_.data(), answer_.size());
        }
    }
    Socket socket_;
    Bytes answer_;
    std::atomic<bool> running_{true};
    std::thread thread_;
};

// A device that answers at once from answers it learnt: the first time it
// sees a request (invoke ID aside) it asks the simulated device and keeps
// the answer; afterwards it answers alone, with the request's invoke ID. It
// stands for a BACnet server that adds (almost) nothing to the round trip.
class Replay {
public:
    Replay(std::uint16_t port, std::uint16_t devicePort) : devicePort_(devicePort) {
        std::int32_t error = 0;
        socket_ = platform::UdpSocketOpen(error);
        bound_ = platform::UdpSocketBind(socket_, Ip(kReplayIp), port, error);
        platform::UdpSocketSetReceiveTimeout(socket_, 50);
        thread_ = std::thread([this] { Run(); });
    }
    ~Replay() {
        running_ = false;
        thread_.join();
        platform::UdpSocketClose(socket_);
    }
    bool Bound() const { return bound_; }

private:
    static constexpr std::size_t kInvokeIdAt = 8;  // BVLL 4, NPDU 2, then the APDU's third octet
    void Run() {
        Socket upstream(kReplayIp, 1000);
        std::uint8_t data[2048];
        while (running_) {
            std::uint32_t address = 0;
            std::uint16_t from = 0;
            std::int32_t error = 0;
            const auto n = platform::UdpSocketReceive(socket_, data, sizeof data, address, from, error);
            if (n <= static_cast<std::int32_t>(kInvokeIdAt)) continue;
            Bytes key(data, data + n);
            const std::uint8_t invokeId = key[kInvokeIdAt];
            key[kInvokeIdAt] = 0;
            if (key != learntRequest_) {
                platform::UdpSocketSendTo(upstream.handle, Ip(kDeviceIp), devicePort_, data, static_cast<std::size_t>(n));
                std::uint8_t answer[2048];
                const auto m = upstream.Receive(answer, sizeof answer);
                if (m <= static_cast<std::int32_t>(kInvokeIdAt - 1)) continue;
                learntRequest_ = key;
                learntAnswer_.assign(answer, answer + m);
            }
            learntAnswer_[kInvokeIdAt - 1] = invokeId;  // a complex ACK carries it in its second octet
            platform::UdpSocketSendTo(socket_, address, from, learntAnswer_.data(), learntAnswer_.size());
        }
    }
    platform::SocketHandle socket_ = platform::kNoSocket;
    bool bound_ = false;
    std::uint16_t devicePort_;
    Bytes learntRequest_, learntAnswer_;
    std::atomic<bool> running_{true};
    std::thread thread_;
};

// Round trips of one request from a bare socket; every sample in nanoseconds.
// False when an answer does not come.
bool BareRoundTrips(Socket& client, std::uint32_t toIp, std::uint16_t toPort, Bytes request, double seconds,
                    bool patchInvokeId, std::vector<std::int64_t>& samples, std::size_t& answerBytes) {
    std::uint8_t answer[2048];
    const std::int64_t end = NowNs() + static_cast<std::int64_t>(seconds * 1e9);
    std::uint8_t invokeId = 0;
    while (NowNs() < end) {
        if (patchInvokeId) request[8] = invokeId++;
        const std::int64_t t0 = NowNs();
        platform::UdpSocketSendTo(client.handle, toIp, toPort, request.data(), request.size());
        const std::int32_t n = client.Receive(answer, sizeof answer);
        const std::int64_t t1 = NowNs();
        if (n <= 0) return false;
        answerBytes = static_cast<std::size_t>(n);
        samples.push_back(t1 - t0);
    }
    return true;
}

struct Group {
    std::string name;
    std::vector<std::u16string> addresses;
    Bytes request;
    std::size_t answerBytes = 0;
    std::vector<std::int64_t> floor, direct, driver, replayDirect, replayDriver;
    std::uint64_t driverScans = 0, driverFailures = 0;
    // The start entry's wall and processor time, over the scans that measure
    // it (one in kStartMeasuredEvery; the processor clock is a system call).
    std::uint64_t startMeasured = 0;
    std::int64_t startNs = 0;
    std::int64_t startCpuNs = 0;
    double driverSeconds = 0;
    std::string peerJson;
};

std::vector<std::u16string> Addresses(int tags) {
    std::vector<std::u16string> out;
    if (tags == 1) return {u"AV:1:PRESENT-VALUE"};
    for (int i = 1; i <= 50; ++i) {
        const std::string n = std::to_string(i);
        const std::u16string instance(n.begin(), n.end());
        out.push_back(u"AV:" + instance + u":PRESENT-VALUE");
        out.push_back(u"AV:" + instance + u":RELINQUISH-DEFAULT");
    }
    return out;
}

// Scans the group through the entries for the given time: start, then polls
// of finish until it answers 1. Samples from start to the finish that
// delivered the values.
void DriverScans(bench::DriverLibrary& driver, Group& group, double seconds, std::uint32_t pollSleepUs,
                 const char* deviceIp, std::vector<std::int64_t>& samples) {
    std::vector<const char16_t*> texts;
    for (const auto& a : group.addresses) texts.push_back(a.c_str());
    const auto count = static_cast<std::int32_t>(texts.size());
    std::vector<HostValue> values(texts.size());
    const std::u16string station(deviceIp, deviceIp + std::strlen(deviceIp));
    const std::int64_t start = NowNs();
    const std::int64_t end = start + static_cast<std::int64_t>(seconds * 1e9);
    for (std::uint64_t scan = 0; NowNs() < end; ++scan) {
        std::int32_t status = 0;
        // The scans that time the start entry read the thread's processor
        // clock, two system calls of about a microsecond each that the floor
        // does not make: they give no sample. The wall time is taken inside
        // the two reads, so the processor time comes out a read's worth longer.
        const bool measureStart = scan % kStartMeasuredEvery == 0;
        const std::int64_t cpu0 = measureStart ? ThreadCpuNs() : 0;
        const std::int64_t t0 = NowNs();
        if (driver->readStart(station.c_str(), nullptr, texts.data(), count, &status) != 1) {
            ++group.driverFailures;
            continue;
        }
        if (measureStart) {
            group.startNs += NowNs() - t0;
            group.startCpuNs += ThreadCpuNs() - cpu0;
            ++group.startMeasured;
        }
        status = 0;
        while (driver->readFinish(values.data(), 0, count, &status) != 1)
            if (pollSleepUs != 0) std::this_thread::sleep_for(std::chrono::microseconds(pollSleepUs));
        const std::int64_t t1 = NowNs();
        bool good = status == 0;
        for (const HostValue& v : values) good = good && v.quality == 192;
        ++group.driverScans;
        if (!good) ++group.driverFailures;
        if (!measureStart) samples.push_back(t1 - t0);
    }
    group.driverSeconds += static_cast<double>(NowNs() - start) / 1e9;
}

std::string RunPeer(const Options& options, std::uint16_t devicePort, int tags, double seconds) {
    const std::string command = "cd '" + options.peerDir + "' && node scan.js " + kDeviceIp + " " +
                                std::to_string(devicePort) + " " + std::to_string(tags) + " " +
                                std::to_string(seconds) + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "";
    std::string out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// A number from the peer's JSON line, or -1.
double JsonNumber(const std::string& json, const std::string& key) {
    const auto at = json.find("\"" + key + "\":");
    if (at == std::string::npos) return -1;
    return std::atof(json.c_str() + at + key.size() + 3);
}

void PrintRow(const char* what, const Summary& s, double scansPerSecond) {
    std::printf("  %-8s p50 %8.1f us  p99 %8.1f us  mean %8.1f us  %9.0f scans/s  (%zu samples)\n", what,
                s.p50 / 1e3, s.p99 / 1e3, s.mean / 1e3, scansPerSecond, s.count);
}

double Rate(const std::vector<std::int64_t>& samples) {
    std::int64_t total = 0;
    for (auto s : samples) total += s;
    return total > 0 ? static_cast<double>(samples.size()) * 1e9 / static_cast<double>(total) : 0;
}

// The figures that bench/summarise.py gathers over the rounds: each against
// a reference of the same run.
void PrintFigures(const std::string& name, const Summary& floor, const Summary& direct, const Summary& driver,
                  const Summary& replayDriver, double driverRate, double peerRate, double peerP50Us) {
    const std::string prefix = name + " ";
    bench::PrintFigure(prefix + "floor p50", floor.p50 / 1e3, "us");
    bench::PrintFigure(prefix + "driver p50", driver.p50 / 1e3, "us");
    bench::PrintFigure(prefix + "driver p99", driver.p99 / 1e3, "us");
    bench::PrintFigure(prefix + "driver/floor p50", driver.p50 / floor.p50, "x");
    bench::PrintFigure(prefix + "direct/floor p50", direct.p50 / floor.p50, "x");
    bench::PrintFigure(prefix + "driver/direct p50", driver.p50 / direct.p50, "x");
    bench::PrintFigure(prefix + "driver/r/floor p50", replayDriver.p50 / floor.p50, "x");
    bench::PrintFigure(prefix + "driver p99/floor p99", driver.p99 / floor.p99, "x");
    bench::PrintFigure(prefix + "driver scans/s", driverRate, "1/s");
    if (peerRate <= 0) return;
    bench::PrintFigure(prefix + "peer scans/s", peerRate, "1/s");
    bench::PrintFigure(prefix + "peer p50/floor p50", peerP50Us * 1e3 / floor.p50, "x");
    bench::PrintFigure(prefix + "driver/peer scans/s", driverRate / peerRate, "x");
}

bool Report(Group& group, const Options& options) {
    Summary floor = bench::Summarise(group.floor);
    Summary direct = bench::Summarise(group.direct);
    Summary driver = bench::Summarise(group.driver);
    const double driverRate = group.driverSeconds > 0 ? static_cast<double>(group.driverScans) / group.driverSeconds : 0;
    std::printf("\n%s group: request %zu bytes, answer %zu bytes\n", group.name.c_str(), group.request.size(),
                group.answerBytes);
    PrintRow("floor", floor, Rate(group.floor));
    PrintRow("direct", direct, Rate(group.direct));
    PrintRow("driver", driver, driverRate);
    Summary replayDirect = bench::Summarise(group.replayDirect);
    Summary replayDriver = bench::Summarise(group.replayDriver);
    PrintRow("direct/r", replayDirect, Rate(group.replayDirect));
    PrintRow("driver/r", replayDriver, Rate(group.replayDriver));
    double peerRate = -1;
    if (!group.peerJson.empty()) {
        const double scans = JsonNumber(group.peerJson, "scans"), seconds = JsonNumber(group.peerJson, "seconds");
        peerRate = seconds > 0 ? scans / seconds : -1;
        std::printf("  %-8s p50 %8.1f us  p99 %8.1f us  %25.0f scans/s  (%s)\n", "peer",
                    JsonNumber(group.peerJson, "p50_us"), JsonNumber(group.peerJson, "p99_us"), peerRate,
                    group.peerJson.c_str());
    }
    if (group.startMeasured > 0)
        std::printf("  driver start entry: %.1f us per scan, %.1f us of it on the processor (parsing the addresses, "
                    "building and sending the request; one scan in %d)\n",
                    static_cast<double>(group.startNs) / 1e3 / static_cast<double>(group.startMeasured),
                    static_cast<double>(group.startCpuNs) / 1e3 / static_cast<double>(group.startMeasured),
                    kStartMeasuredEvery);
    std::printf("  driver failures: %llu of %llu scans\n", static_cast<unsigned long long>(group.driverFailures),
                static_cast<unsigned long long>(group.driverScans));
    std::printf("  driver over floor:  +%.1f us at p50, +%.1f us at p99; p50 ratio %.2f\n",
                (driver.p50 - floor.p50) / 1e3, (driver.p99 - floor.p99) / 1e3, driver.p50 / floor.p50);
    std::printf("  driver over direct: +%.1f us at p50, +%.1f us at p99 (the driver's own share)\n",
                (driver.p50 - direct.p50) / 1e3, (driver.p99 - direct.p99) / 1e3);
    std::printf("  against the replaying device (/r): driver over floor +%.1f us at p50, +%.1f us at p99; "
                "p50 ratio %.2f\n",
                (replayDriver.p50 - floor.p50) / 1e3, (replayDriver.p99 - floor.p99) / 1e3, replayDriver.p50 / floor.p50);
    if (peerRate > 0) std::printf("  throughput driver/peer: %.2f\n", driverRate / peerRate);
    PrintFigures(group.name, floor, direct, driver, replayDriver, driverRate, peerRate,
                 JsonNumber(group.peerJson, "p50_us"));
    (void)options;
    return group.driverFailures == 0 && !group.driver.empty();
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&](double& out) {
            if (i + 1 >= argc) return false;
            out = std::atof(argv[++i]);
            return true;
        };
        double number = 0;
        if (arg == "--seconds" && next(number)) {
            options.seconds = number;
        } else if (arg == "--rounds" && next(number)) {
            options.rounds = static_cast<int>(number);
        } else if (arg == "--poll-sleep-us" && next(number)) {
            options.pollSleepUs = static_cast<std::uint32_t>(number);
        } else if (arg == "--group" && next(number) && (number == 1 || number == 100)) {
            options.onlyGroup = static_cast<int>(number);
        } else if (arg == "--no-peer") {
            options.peer = false;
        } else if (arg == "--smoke") {
            options.smoke = true;
            options.seconds = 0.2;
            options.rounds = 1;
            options.peer = false;
        } else if (arg == "--peer-dir" && i + 1 < argc) {
            options.peerDir = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: vorne_scan_bench [--seconds S] [--rounds N] [--poll-sleep-us N] [--group 1|100] "
                         "[--no-peer] [--peer-dir DIR] [--smoke]\n");
            return false;
        }
    }
    return options.rounds > 0 && options.seconds > 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;

    sim::Simulator device;
    if (!bench::StartDevice(device, kDeviceIp, sim::SimOptions().deviceInstance, "vorne_scan_bench")) return 1;
    const std::uint16_t devicePort = device.Port();
    Replay replay(devicePort, devicePort);
    if (!replay.Bound()) {
        std::fprintf(stderr, "scan bench: the replaying device could not bind %s:%u\n", kReplayIp, devicePort);
        return 1;
    }

    // The driver's shared socket on the host address, at the device's port
    // number (the driver sends to its configured port).
    setenv("VORNE_BIND", kHostIp, 1);
    bench::DriverLibrary driver;
    std::int32_t openError = 0;
    if (!driver.Loaded() || !driver.Open(devicePort, 3000, openError)) {
        std::fprintf(stderr, "scan bench: the driver did not open (%s, error %d)\n", driver.Error().c_str(),
                     openError);
        return 1;
    }

    std::vector<Group> groups;
    if (options.onlyGroup != 100) {
        Group& group = groups.emplace_back();
        group.name = "1-tag";
        group.addresses = Addresses(1);
        group.request = ReadPropertyFrame(0);
    }
    if (options.onlyGroup != 1) {
        Group& group = groups.emplace_back();
        group.name = "100-tag";
        group.addresses = Addresses(100);
        group.request = ReadPropertyMultipleFrame(0);
    }

    std::printf("scan bench: device %s:%u (tools/sim), driver on %s; host polls finish %s\n", kDeviceIp, devicePort,
                kHostIp,
                options.pollSleepUs == 0 ? "in a tight loop (no sleep)"
                                         : ("with a " + std::to_string(options.pollSleepUs) + " us sleep").c_str());
    bool ok = true;
    const double slice = options.seconds / options.rounds;
    Socket client(kHostIp, 1000);
    for (Group& group : groups) {
        // Warm-up and the answer's size, from the device itself.
        std::vector<std::int64_t> ignored;
        if (!BareRoundTrips(client, Ip(kDeviceIp), devicePort, group.request, 0.05, true, ignored,
                            group.answerBytes)) {
            std::fprintf(stderr, "scan bench: the device does not answer the %s request\n", group.name.c_str());
            return 1;
        }
        Echo echo(group.answerBytes);
        group.driverSeconds = 0;
        DriverScans(driver, group, 0.05, options.pollSleepUs, kDeviceIp, group.driver);
        DriverScans(driver, group, 0.05, options.pollSleepUs, kReplayIp, group.replayDriver);
        group.replayDriver.clear();
        group.driver.clear();
        group.driverScans = group.driverFailures = 0;
        group.startNs = group.startCpuNs = 0;
        group.startMeasured = 0;
        group.driverSeconds = 0;
        for (int round = 0; round < options.rounds; ++round) {
            std::size_t bytes = 0;
            ok &= BareRoundTrips(client, Ip(kEchoIp), echo.Port(), group.request, slice, false, group.floor, bytes);
            ok &= BareRoundTrips(client, Ip(kDeviceIp), devicePort, group.request, slice, true, group.direct, bytes);
            DriverScans(driver, group, slice, options.pollSleepUs, kDeviceIp, group.driver);
            ok &= BareRoundTrips(client, Ip(kReplayIp), devicePort, group.request, slice, true, group.replayDirect, bytes);
            const double driverSeconds = group.driverSeconds;
            const std::uint64_t driverScans = group.driverScans;
            const std::int64_t startNs = group.startNs, startCpuNs = group.startCpuNs;
            const std::uint64_t startMeasured = group.startMeasured;
            DriverScans(driver, group, slice, options.pollSleepUs, kReplayIp, group.replayDriver);
            group.driverSeconds = driverSeconds;  // the rates and start times count the simulator's scans only
            group.driverScans = driverScans;
            group.startNs = startNs;
            group.startCpuNs = startCpuNs;
            group.startMeasured = startMeasured;
        }
    }
    if (options.peer) {
        for (Group& group : groups)
            group.peerJson = RunPeer(options, devicePort, group.name == "1-tag" ? 1 : 100, options.seconds);
    }
    for (Group& group : groups) ok &= Report(group, options);
    std::printf("\nlog lines from the driver: %llu\n", static_cast<unsigned long long>(bench::LoggedLines()));
    if (!ok) std::printf("scan bench: FAILED (a round trip went unanswered or a scan failed; last log line: %s)\n",
                         bench::LastLoggedLine().c_str());
    driver.Close();
    device.Stop();
    return ok ? 0 : 1;
}
