#include "host/device_table.hpp"

#include <map>
#include <set>
#include <utility>

#include "host/station.hpp"
#include "links/current_link.hpp"
#include "platform/clock.hpp"
#include "platform/trace.hpp"
#include "services/discovery.hpp"

namespace host {
namespace {

using Key = std::pair<std::int32_t, std::int32_t>;  // (device instance, network)

struct Binding {
    LinkServices::LinkAddress address;
    network::NpduInfo npdu;
    std::uint32_t maxApdu = 0;  // announced in the device's I-Am; 0 when unknown
};

struct DeviceTable {
    std::map<Key, Binding> bindings;
    std::set<Key> watchList;
    std::map<Key, LinkServices::LinkAddress> stationAddresses;
    std::uint32_t lastWhoIsTick = 0;
    // Numbers the Who-Is sent per device, so that the pass asks the unbound
    // device asked longest ago (or never): each has its turn.
    std::map<Key, std::uint64_t> lastAsked;
    std::uint64_t whoIsCount = 0;
};

constexpr std::uint32_t kWhoIsSpacingMs = 3000;

DeviceTable& Table() {
    static DeviceTable table;
    return table;
}

Key MakeKey(std::int32_t device, std::int32_t network) {
    return {device, static_cast<std::int32_t>(static_cast<std::uint16_t>(network))};
}

}  // namespace

void AddDevice(std::int32_t device, std::int32_t network) {
    if (!Table().watchList.insert(MakeKey(device, network)).second) return;
    SendWhoIsFor(device, network);
}

void SendWhoIsFor(std::int32_t device, std::int32_t network) {
    LinkServices::ILink* link = LinkServices::ActiveLink();
    if (link == nullptr) return;
    const Key key = MakeKey(device, network);
    LinkServices::LinkAddress address;
    const auto station = Table().stationAddresses.find(key);
    if (station != Table().stationAddresses.end())
        address = station->second;
    else
        link->GetBroadcastAddress(address);
    network::NpduInfo npdu;
    npdu.SetBroadcastDestination(static_cast<std::uint16_t>(key.second));
    APDUServices::WhoIs whoIs;
    const auto instance = static_cast<std::uint32_t>(device);
    const std::int32_t result = whoIs.SendWhoIs(address, npdu, instance, instance);
    // A refused Who-Is still counts as the device's turn.
    Table().lastAsked[key] = ++Table().whoIsCount;
    if (result != 0)
        platform::TraceError(result);
    else
        Table().lastWhoIsTick = platform::TickCount();
}

void DiscoveryPass() {
    auto& table = Table();
    if (platform::TickCount() - table.lastWhoIsTick <= kWhoIsSpacingMs) return;
    const Key* next = nullptr;
    std::uint64_t nextAsked = 0;
    for (const Key& key : table.watchList) {
        LinkServices::LinkAddress address;
        network::NpduInfo npdu;
        if (LookupDevice(key.first, key.second, address, npdu)) continue;
        const auto asked = table.lastAsked.find(key);
        const std::uint64_t when = asked == table.lastAsked.end() ? 0 : asked->second;
        if (next == nullptr || when < nextAsked) {
            next = &key;
            nextAsked = when;
        }
    }
    if (next != nullptr) SendWhoIsFor(next->first, next->second);
}

void AddDeviceWithAddress(std::int32_t device, std::int32_t network, const LinkServices::LinkAddress& address) {
    const Key key = MakeKey(device, network);
    Table().stationAddresses[key] = address;
    network::NpduInfo npdu;
    // The MAC of a device named by link address: its instance, least significant byte first.
    const auto d = static_cast<std::uint32_t>(device);
    const std::uint8_t fill = device < 0 ? 0xFF : 0x00;
    const std::uint8_t mac[6] = {static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(d >> 8),
                                 static_cast<std::uint8_t>(d >> 16), static_cast<std::uint8_t>(d >> 24), fill, fill};
    npdu.SetDestination(static_cast<std::uint16_t>(key.second), 6, mac);
    Table().bindings[key] = Binding{address, npdu};
}

void RemoveDevice(std::int32_t device, std::int32_t network) {
    const Key key = MakeKey(device, network);
    Table().watchList.erase(key);
    Table().lastAsked.erase(key);
    Table().stationAddresses.erase(key);
    Table().bindings.erase(key);
}

bool LookupDevice(std::int32_t device, std::int32_t network, LinkServices::LinkAddress& address,
                  network::NpduInfo& npdu, std::uint32_t* maxApdu) {
    auto& bindings = Table().bindings;
    auto found = bindings.find({device, network});
    if (found == bindings.end()) found = bindings.find({device, -1});
    if (found == bindings.end()) return false;
    address = found->second.address;
    npdu = found->second.npdu;
    if (maxApdu != nullptr) *maxApdu = found->second.maxApdu;
    return true;
}

void DiscoverStation(std::u16string_view station) {
    StationInfo info;
    if (!ParseStation(station, info) || info.network == -1 || info.deviceInstance == -1) return;
    if (!info.linkAddressText.empty())
        AddDeviceWithAddress(info.deviceInstance, info.network, info.linkAddress);
    else
        AddDevice(info.deviceInstance, info.network);
}

void BindFromIAm(std::int32_t device, const LinkServices::LinkAddress& address, const network::NpduInfo& reply,
                std::uint32_t maxApdu) {
    const std::int32_t network = reply.destinationPresent ? reply.destinationNetwork : -1;
    Table().bindings[{device, network}] = Binding{address, reply, maxApdu};
}

void ClearDeviceTable() {
    Table().watchList.clear();
    Table().lastAsked.clear();
    Table().bindings.clear();
    Table().stationAddresses.clear();
}

std::size_t BindingCount() { return Table().bindings.size(); }

}  // namespace host
