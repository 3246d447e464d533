#include "tools/vorne/station_text.hpp"

#include <cstdlib>
#include <sstream>
#include <vector>

#include "platform/udp_socket.hpp"

namespace vorne_tool {
namespace {

std::vector<std::string> Parts(const std::string& station) {
    std::vector<std::string> parts;
    std::string part;
    for (const char c : station) {
        if (c == ':') parts.push_back(part), part.clear();
        else part += c;
    }
    parts.push_back(part);
    return parts;
}

bool IsNumber(const std::string& text, std::int64_t high) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    return std::atoll(text.c_str()) <= high;
}

bool IsHex(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

}  // namespace

const char* const kStationForms =
    "an IP address (192.168.1.20), NETWORK:DEVICE (0:1234), IP:NETWORK:DEVICE (192.168.1.20:5:1234) or "
    "IP:NETWORK:DEVICE:MAC (10.0.0.1:5:77:0A); on MS/TP a station number (5)";

StationParts SplitStation(const std::string& station) {
    const std::vector<std::string> parts = Parts(station);
    StationParts s;
    auto number = [](const std::string& text) { return text.empty() ? -1LL : std::atoll(text.c_str()); };
    if (parts.size() == 2) {
        s.network = number(parts[0]);
        s.device = number(parts[1]);
        return s;
    }
    s.link = parts[0];
    if (parts.size() >= 3) {
        s.network = number(parts[1]);
        s.device = number(parts[2]);
    }
    if (parts.size() == 4) s.mac = parts[3];
    return s;
}

std::string StationProblem(const std::string& station, bool mstp) {
    if (station.empty()) return "the station is empty";
    const std::vector<std::string> parts = Parts(station);
    if (parts.size() > 4) return "more than four parts separated by ':'";
    if (parts.size() != 2) {
        const std::string& link = parts[0];
        if (mstp && !IsNumber(link, 254)) return "'" + link + "' is not an MS/TP station number (0..254)";
        if (!mstp && !platform::ParseIpv4(link)) return "'" + link + "' is not an IPv4 address";
    }
    const std::size_t first = parts.size() == 2 ? 0 : 1;
    if (parts.size() >= 2) {
        const std::string& network = parts[first];
        const std::string& device = parts[first + 1];
        if (parts.size() == 2 && (network.empty() || device.empty())) return "NETWORK:DEVICE needs both numbers";
        if (!network.empty() && !IsNumber(network, 65535)) return "network '" + network + "' is not a number 0..65535";
        if (!device.empty() && !IsNumber(device, 4194303)) return "device '" + device + "' is not a number 0..4194303";
    }
    if (parts.size() == 4) {
        const std::string& mac = parts[3];
        if (!IsHex(mac) || mac.size() % 2 != 0 || mac.size() > 12)
            return "MAC '" + mac + "' is not 1 to 6 bytes in hexadecimal (0A, 0A0B)";
    }
    return {};
}

}  // namespace vorne_tool
