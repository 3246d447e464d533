// Station texts as the driver reads them: LINK, NETWORK:DEVICE,
// LINK:NETWORK:DEVICE and LINK:NETWORK:DEVICE:MAC, where LINK is an IPv4
// address on BACnet/IP and a station number on MS/TP.
#pragma once

#include <cstdint>
#include <string>

namespace vorne_tool {

struct StationParts {
    std::string link;  // IP address (or MS/TP station); empty for NETWORK:DEVICE
    std::int64_t network = -1;
    std::int64_t device = -1;
    std::string mac;  // hex, behind a router
};

StationParts SplitStation(const std::string& station);

// Why the driver would refuse the station, in words; empty when it is well formed.
std::string StationProblem(const std::string& station, bool mstp);

// The forms a station takes, with examples, for messages.
extern const char* const kStationForms;

}  // namespace vorne_tool
