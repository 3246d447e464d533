// `vorne discover`: Who-Is to the broadcast address(es), every I-Am until the
// time-out, then each device's names. Runs on a socket of its own, on the
// BACnet port when it is free, so that devices answering by broadcast are heard.
#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <tuple>

#include "platform/udp_socket.hpp"
#include "tools/vorne/bacnet_client.hpp"
#include "tools/vorne/commands.hpp"
#include "tools/vorne/local_port.hpp"
#include "tools/vorne/user_messages.hpp"
#include "tools/vorne/text_escape.hpp"

namespace vorne_tool {
namespace {

constexpr std::uint32_t kDeviceType = 8;
constexpr std::uint32_t kObjectName = 77;
constexpr std::uint32_t kVendorName = 121;
constexpr std::uint32_t kModelName = 70;

struct FoundDevice {
    IAm iAm;
    std::string name, vendorName, modelName;
    std::string nameError;  // why the names are missing
};

const char* SegmentationText(std::uint32_t value) {
    static const char* const kTexts[] = {"both", "transmit", "receive", "none"};
    return value < std::size(kTexts) ? kTexts[value] : "?";
}

// How the driver reaches the device: its IP address, or, behind a router,
// ROUTER-IP:NETWORK:DEVICE:MAC.
std::string StationText(const IAm& iAm) {
    const std::string ip = platform::FormatIpv4(iAm.from.ip);
    if (iAm.from.network == 0) return ip;
    return ip + ":" + std::to_string(iAm.from.network) + ":" + std::to_string(iAm.deviceInstance) + ":" +
           HexText(iAm.from.mac);
}

std::string MacText(const DeviceAddress& from) {
    if (from.network == 0) return platform::FormatIpv4(from.ip) + ":" + std::to_string(from.port);
    return HexText(from.mac);
}

std::string TextOf(const ReadOutcome& outcome) {
    if (!outcome.Ok() || outcome.values.empty()) return {};
    const sim::Value& value = outcome.values[0];
    return value.kind == sim::Kind::kCharacterString ? value.text : sim::DescribeValue(value);
}

bool ParseTargets(const std::string& list, std::vector<std::uint32_t>& targets, std::string& error) {
    std::stringstream items(list.empty() ? std::string("255.255.255.255") : list);
    for (std::string item; std::getline(items, item, ',');) {
        const auto address = platform::ParseIpv4(item);
        if (!address) return error = "not an IPv4 address: " + item, false;
        targets.push_back(*address);
    }
    return !targets.empty();
}

void PrintTable(const std::vector<FoundDevice>& devices) {
    std::printf("%-8s %-26s %-7s %-22s %-8s %-12s %-6s %s\n", "DEVICE", "STATION", "NETWORK", "MAC", "MAX-APDU",
                "SEGMENTATION", "VENDOR", "NAME / VENDOR-NAME / MODEL-NAME");
    for (const auto& d : devices) {
        const std::string names = d.nameError.empty() ? d.name + " / " + d.vendorName + " / " + d.modelName
                                                      : "(names not read: " + d.nameError + ")";
        std::printf("%-8u %-26s %-7u %-22s %-8u %-12s %-6u %s\n", d.iAm.deviceInstance, StationText(d.iAm).c_str(),
                    d.iAm.from.network, MacText(d.iAm.from).c_str(), d.iAm.maxApdu,
                    SegmentationText(d.iAm.segmentation), d.iAm.vendorId, names.c_str());
    }
    std::printf("%zu device%s found\n", devices.size(), devices.size() == 1 ? "" : "s");
}

void PrintJson(const std::vector<FoundDevice>& devices) {
    for (const auto& d : devices) {
        std::printf("{\"device\":%u,\"station\":%s,\"network\":%u,\"mac\":%s,\"maxApdu\":%u,\"segmentation\":%s,"
                    "\"vendorId\":%u,\"name\":%s,\"vendorName\":%s,\"modelName\":%s",
                    d.iAm.deviceInstance, JsonString(StationText(d.iAm)).c_str(), d.iAm.from.network,
                    JsonString(MacText(d.iAm.from)).c_str(), d.iAm.maxApdu,
                    JsonString(SegmentationText(d.iAm.segmentation)).c_str(), d.iAm.vendorId,
                    JsonString(d.name).c_str(), JsonString(d.vendorName).c_str(), JsonString(d.modelName).c_str());
        if (!d.nameError.empty()) std::printf(",\"error\":%s", JsonString(d.nameError).c_str());
        std::printf("}\n");
    }
}

}  // namespace

int RunDiscover(const CommonOptions& options) {
    if (!options.positional.empty()) {
        std::fprintf(stderr, "vorne discover: takes no arguments (see vorne discover --help)\n");
        return kExitUsage;
    }
    std::vector<std::uint32_t> targets;
    std::string error;
    if (!ParseTargets(options.broadcast, targets, error)) {
        std::fprintf(stderr, "vorne discover: --broadcast: %s\n", error.c_str());
        return kExitUsage;
    }
    const auto port = static_cast<std::uint16_t>(options.host.udpPort);
    if (!options.bind.empty() && CheckLocalPort(options.bind, port).state == PortState::kNotLocal)
        return CheckLocalAddress("discover", options.bind, port, "");
    BacnetClient client;
    if (!client.Open(options.bind, port, true, error)) {
        std::fprintf(stderr, "vorne discover: %s\n", error.c_str());
        return kExitFailed;
    }
    if (client.LocalPort() != port)
        std::fprintf(stderr, "vorne discover: UDP port %u: address already in use (another BACnet program?); "
                             "listening on %u, where devices that answer by broadcast are not heard. --port N or "
                             "--bind ADDR picks another\n", port, client.LocalPort());

    std::optional<std::pair<std::uint32_t, std::uint32_t>> range;
    if (options.rangeLow >= 0) range = std::make_pair(static_cast<std::uint32_t>(options.rangeLow),
                                                      static_cast<std::uint32_t>(options.rangeHigh));
    for (std::uint32_t target : targets) client.SendWhoIs(target, port, range);

    // One entry per device and path: the same I-Am heard twice counts once.
    std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint16_t, std::uint16_t, std::vector<std::uint8_t>>,
             FoundDevice>
        found;
    client.CollectIAms(options.host.timeoutMs, [&](const IAm& iAm) {
        if (range && (iAm.deviceInstance < range->first || iAm.deviceInstance > range->second)) return;
        found.try_emplace({iAm.deviceInstance, iAm.from.ip, iAm.from.port, iAm.from.network, iAm.from.mac},
                          FoundDevice{iAm, {}, {}, {}, {}});
    });

    std::vector<FoundDevice> devices;
    const std::uint32_t readTimeout = std::min<std::uint32_t>(options.host.timeoutMs, 3000);
    for (auto& [key, device] : found) {
        const DeviceAddress& at = device.iAm.from;
        const std::uint32_t instance = device.iAm.deviceInstance;
        const ReadOutcome name = client.ReadProperty(at, kDeviceType, instance, kObjectName, std::nullopt, readTimeout);
        if (name.Ok()) {
            device.name = TextOf(name);
            device.vendorName = TextOf(client.ReadProperty(at, kDeviceType, instance, kVendorName, std::nullopt, readTimeout));
            device.modelName = TextOf(client.ReadProperty(at, kDeviceType, instance, kModelName, std::nullopt, readTimeout));
        } else {
            device.nameError = name.Describe();
        }
        devices.push_back(device);
    }
    if (options.json)
        PrintJson(devices);
    else
        PrintTable(devices);
    return devices.empty() ? kExitFailed : kExitOk;
}

}  // namespace vorne_tool
