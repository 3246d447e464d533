// The device table: where each BACnet device that the host's stations name
// is reached, learned from I-Am answers or from station texts.
#pragma once

#include <cstdint>
#include <string_view>

#include "links/link_address.hpp"
#include "network/npdu_info.hpp"

namespace host {

// Adds (device, network) to the watch list; the first insertion sends a Who-Is.
void AddDevice(std::int32_t device, std::int32_t network);
// Binds a device at once to the link address that its station gave.
void AddDeviceWithAddress(std::int32_t device, std::int32_t network, const LinkServices::LinkAddress& address);
void RemoveDevice(std::int32_t device, std::int32_t network);
// Exact (device, network) first, then the device on the local network (-1).
// maxApdu, when given, gets what the device's I-Am announced (0 when unknown).
bool LookupDevice(std::int32_t device, std::int32_t network, LinkServices::LinkAddress& address,
                  network::NpduInfo& npdu, std::uint32_t* maxApdu = nullptr);
// Asks for one device with a Who-Is; on success the Who-Is tick is taken.
void SendWhoIsFor(std::int32_t device, std::int32_t network);
// Asks again for one unbound device of the watch list, at most every 3000 ms:
// the one asked longest ago, so that every device has its turn.
void DiscoveryPass();
// Puts the device of a station on the watch list, or binds it at once when the
// station carries its link address.
void DiscoverStation(std::u16string_view station);
void BindFromIAm(std::int32_t device, const LinkServices::LinkAddress& address, const network::NpduInfo& reply,
                std::uint32_t maxApdu);
void ClearDeviceTable();

// Number of bindings, for tests and diagnostics.
std::size_t BindingCount();

}  // namespace host
