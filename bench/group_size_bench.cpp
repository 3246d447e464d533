// The group-size benchmark: one driver instance scans groups of 1 to 1,000
// tags of one simulated device, reached as network:device (so the device may
// segment its answer). Tags spread over up to 200 analog values: a group of N
// <= 200 tags reads present-value of AV 1..N, larger groups read further
// properties of the same 200 objects (relinquish-default, status-flags,
// out-of-service, units). The driver sends a group as one request, or as
// several one after another when that one would exceed the max-APDU.
//
// References in the same round: the driver's own 1-tag scan, and a bare
// client sending the group's whole request to the same device (it does not
// acknowledge segments, so it times only answers that come in one piece; a
// request over the max-APDU is refused by the device).
// The bare client's probe also says, per size, whether the answer is one
// datagram, segmented, or missing.
#include <cstdio>
#include <cstdlib>
#include <map>
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
constexpr const char16_t* kStation = u"0:1234";  // network:device: segmented answers accepted
constexpr std::uint32_t kDeviceInstance = 1234;
constexpr std::uint16_t kAnalogValue = 2;
constexpr std::uint32_t kObjects = 200;
constexpr std::size_t kMaxApdu = 1476;
constexpr std::uint16_t kTimeoutMs = 500;
const int kSizes[] = {1, 10, 50, 90, 100, 150, 160, 170, 200, 300, 500, 1000};

struct Property {
    std::uint8_t number;
    const char* name;
};
constexpr Property kProperties[] = {
    {85, "PRESENT-VALUE"}, {104, "RELINQUISH-DEFAULT"}, {111, "STATUS-FLAGS"}, {81, "OUT-OF-SERVICE"}, {117, "UNITS"}};


struct Group {
    std::vector<std::u16string> addresses;
    bench::Bytes request;  // the same request as the driver's, for the bare client
};

Group MakeGroup(int tags) {
    const std::uint32_t objects = std::min<std::uint32_t>(static_cast<std::uint32_t>(tags), kObjects);
    std::map<std::uint32_t, std::vector<std::uint8_t>> byObject;
    Group group;
    for (int t = 0; t < tags; ++t) {
        const std::uint32_t instance = static_cast<std::uint32_t>(t) % objects + 1;
        const Property& property = kProperties[static_cast<std::uint32_t>(t) / objects];
        const std::string text = "AV:" + std::to_string(instance) + ":" + property.name;
        group.addresses.emplace_back(text.begin(), text.end());
        byObject[instance].push_back(property.number);
    }
    if (tags == 1) {
        group.request = bench::ReadPropertyFrame(kAnalogValue, 1, kProperties[0].number);
        group.request[6] = 0x02;  // segmented answers accepted, as the driver asks for this station
    } else {
        group.request = bench::ReadPropertyMultipleFrame(
            kAnalogValue, std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>(byObject.begin(), byObject.end()),
            true);
    }
    return group;
}

enum class Answer { kOneDatagram, kSegmented, kRefused, kNone };

const char* AnswerText(Answer a) {
    switch (a) {
        case Answer::kOneDatagram: return "one datagram";
        case Answer::kSegmented: return "segmented";
        case Answer::kRefused: return "refused";
        default: return "none";
    }
}

struct DriverResult {
    std::vector<std::int64_t> samples;
    std::uint64_t scans = 0, linesGood = 0, lines = 0;
    std::int32_t lastStatus = 0;
};

DriverResult DriverScans(const bench::DriverLibrary& driver, const Group& group, double seconds) {
    std::vector<const char16_t*> texts;
    for (const auto& a : group.addresses) texts.push_back(a.c_str());
    const auto count = static_cast<std::int32_t>(texts.size());
    std::vector<HostValue> values(texts.size());
    DriverResult result;
    const std::int64_t end = NowNs() + static_cast<std::int64_t>(seconds * 1e9);
    while (NowNs() < end || result.scans < 3) {
        std::int32_t status = 0;
        const std::int64_t t0 = NowNs();
        if (driver->readStart(kStation, nullptr, texts.data(), count, &status) != 1) {
            result.lastStatus = status;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));  // not bound yet: the I-Am is coming
            if (NowNs() > end + 5000000000LL) break;
            continue;
        }
        for (auto& v : values) v.quality = 0;
        while (driver->readFinish(values.data(), 0, count, &status) != 1) {
        }
        result.samples.push_back(NowNs() - t0);
        result.lastStatus = status;
        ++result.scans;
        result.lines += values.size();
        for (const HostValue& v : values) result.linesGood += v.quality == 192;
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 0.3;  // per figure
    if (!bench::ParseRoundOptions(argc, argv, "vorne_group_size_bench", 0.05, seconds)) return 2;
    sim::Simulator device;
    if (!bench::StartDevice(device, kDeviceIp, kDeviceInstance, "vorne_group_size_bench")) return 1;
    setenv("VORNE_BIND", kHostIp, 1);
    setenv("VORNE_BROADCAST", kDeviceIp, 1);  // the Who-Is that binds the station reaches the device
    bench::DriverLibrary driver;
    std::int32_t openError = 0;
    if (!driver.Loaded() || !driver.Open(device.Port(), kTimeoutMs, openError)) {
        std::fprintf(stderr, "group size bench: the driver did not open (%s, error %d)\n", driver.Error().c_str(),
                     openError);
        return 1;
    }
    std::printf("group size bench: device %s:%u (tools/sim) as station 0:%u; driver time-out %u ms; max-APDU %zu\n",
                kDeviceIp, device.Port(), kDeviceInstance, kTimeoutMs, kMaxApdu);
    // The station is bound by the device's I-Am to the first scan's Who-Is;
    // the scans before that are not timed.
    DriverScans(driver, MakeGroup(1), 0.2);
    bool ok = true;
    double oneTagP50 = 0;
    for (const int tags : kSizes) {
        Group group = MakeGroup(tags);
        // The bare client: what the device answers, and its round trip when
        // that is one datagram. A socket of its own per size: the segments the
        // device sends again (nobody acknowledges them) go nowhere.
        bench::BareClient client(kHostIp, 200);
        std::vector<std::int64_t> direct;
        Answer answer = Answer::kNone;
        const std::int64_t end = NowNs() + static_cast<std::int64_t>(seconds * 1e9);
        do {
            const std::int64_t t0 = NowNs();
            const std::int32_t n = client.RoundTrip(bench::Ip(kDeviceIp), device.Port(), group.request);
            const std::int64_t t1 = NowNs();
            if (n <= 6) break;
            // BVLL 4 + NPDU 2, then a ComplexACK (0x3_) with its segmented-message bit (0x08).
            const std::uint8_t apduType = client.LastAnswer()[6];
            if (apduType >> 4 != 3) {  // a Reject or Abort: no round trip to compare with
                answer = Answer::kRefused;
                break;
            }
            answer = (apduType & 0xF8) == 0x38 ? Answer::kSegmented : Answer::kOneDatagram;
            if (answer == Answer::kSegmented) break;
            direct.push_back(t1 - t0);
        } while (NowNs() < end);
        const std::uint64_t requestsBefore = device.RequestCount();
        const DriverResult result = DriverScans(driver, group, seconds);
        const double requestsPerScan =
            result.scans > 0 ? static_cast<double>(device.RequestCount() - requestsBefore) / static_cast<double>(result.scans) : 0;
        auto driverSamples = result.samples;
        const bench::Summary d = bench::Summarise(driverSamples);
        const bench::Summary b = bench::Summarise(direct);
        if (tags == 1) oneTagP50 = d.p50;
        const double good = result.lines > 0 ? 100.0 * static_cast<double>(result.linesGood) / static_cast<double>(result.lines) : 0;
        const std::string prefix = std::to_string(tags) + " tags ";
        std::printf("%5d tags: request %5zu bytes%s; answer %s; driver %.1f requests per scan, %llu scans, p50 %8.1f us, lines at 192 %5.1f%%, last status %d\n",
                    tags, group.request.size(), group.request.size() > kMaxApdu ? " (over max-APDU)" : "",
                    AnswerText(answer), requestsPerScan, static_cast<unsigned long long>(result.scans),
                    d.p50 / 1e3, good, result.lastStatus);
        bench::PrintFigure(prefix + "answer segmented", answer == Answer::kSegmented ? 1 : 0, "");
        bench::PrintFigure(prefix + "request bytes", static_cast<double>(group.request.size()), "bytes");
        bench::PrintFigure(prefix + "lines at 192", good, "%");
        bench::PrintFigure(prefix + "driver requests per scan", requestsPerScan, "");
        bench::PrintFigure(prefix + "driver p50", d.p50 / 1e3, "us");
        if (oneTagP50 > 0) bench::PrintFigure(prefix + "driver p50 / 1-tag p50", d.p50 / oneTagP50, "x");
        if (!direct.empty()) bench::PrintFigure(prefix + "driver p50 / bare p50", d.p50 / b.p50, "x");
        ok &= result.scans > 0;
    }
    driver.Close();
    device.Stop();
    if (!ok) std::printf("group size bench: FAILED (no scan ended; last log line: %s)\n", bench::LastLoggedLine().c_str());
    return ok ? 0 : 1;
}
