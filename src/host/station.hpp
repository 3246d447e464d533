// Station texts: which device a tag's requests go to, and how.
//
//   link-address                      192.168.0.10 or, on MS/TP, 12
//   network:device                    1:1234  (bound through the device table)
//   link-address:network:device       192.168.0.10:0:1234
//   link-address:network:device:MAC   10.0.0.1:5:77:0A  (remote MAC in hex)
#pragma once

#include <cstdint>
#include <string>

#include "links/link_address.hpp"
#include "network/npdu_info.hpp"

namespace host {

inline constexpr std::int32_t kStatusMalformedStation = -38;
inline constexpr std::int32_t kStatusDeviceNotBound = 13;

struct StationInfo {
    std::u16string linkAddressText;
    std::int32_t network = -1;
    std::int32_t deviceInstance = -1;
    std::u16string remoteMac;
    std::int32_t form = 0;  // 2 for network:device, else 0
    LinkServices::LinkAddress linkAddress;
};

bool ParseStation(std::u16string_view station, StationInfo& info);

// 0, 13 (device not bound yet) or -38 (malformed station). deviceMaxApdu,
// when given, gets the max-APDU the device announced (0 when unknown).
std::int32_t ResolveStation(std::u16string_view station, LinkServices::LinkAddress& address,
                            network::NpduInfo& npdu, std::uint32_t* deviceMaxApdu = nullptr);

// Hex MAC text of 2..12 characters into DLEN/DADR.
bool ParseRemoteMac(std::u16string_view mac, network::NpduInfo& npdu);

}  // namespace host
