#include "tools/vorne/user_messages.hpp"

#include <cstdio>
#include <regex>

#include "platform/utf.hpp"
#include "tools/vorne/address_text.hpp"
#include "tools/vorne/commands.hpp"
#include "tools/vorne/local_port.hpp"
#include "tools/vorne/station_text.hpp"

namespace vorne_tool {

bool CheckStationAndAddresses(DriverHost& driver, const CommonOptions& options, const std::string& station,
                              const std::vector<std::string>& addresses) {
    bool good = true;
    const std::string problem = StationProblem(station, !options.host.mstpDevice.empty());
    if (!problem.empty()) {
        std::fprintf(stderr, "vorne %s: station '%s': %s; expected %s\n", options.command.c_str(), station.c_str(),
                     problem.c_str(), kStationForms);
        good = false;
    }
    for (const std::string& address : addresses) {
        const std::int32_t status = driver.CheckAddress(platform::Utf8ToUtf16(address));
        if (status == 0) continue;
        std::fprintf(stderr, "vorne %s: address '%s': %s\n", options.command.c_str(), address.c_str(),
                     AddressProblem(status, address).c_str());
        good = false;
    }
    return good;
}

std::string StationStatusAdvice(const std::string& station, std::int32_t status, std::uint32_t waitMs) {
    const StationParts parts = SplitStation(station);
    const std::string ms = std::to_string(waitMs) + " ms";
    if (status == 13 && parts.device >= 0)
        return "no I-Am from device " + std::to_string(parts.device) + " within " + ms +
               "; check the device instance and the broadcast address";
    if (status == -15)
        return "station " + station + " is silent: no answer within " + ms +
               "; check the address, the port (--port) and that the device is on";
    return {};
}

std::string ExpectedForm(const std::string& now) {
    const std::string example = " (now " + now + ")";
    if (now.empty()) return "text in the form the property reads as";
    if (std::regex_match(now, std::regex("[01]+"))) return "a bit string, one 0 or 1 per bit" + example;
    if (std::regex_match(now, std::regex("-?[0-9.]+(e[-+]?[0-9]+)?"))) return "a number" + example;
    if (std::regex_match(now, std::regex("[0-9x]+-[0-9x]+-[0-9x]+")))
        return "a date, day-month-year" + example;
    if (std::regex_match(now, std::regex("[0-9x]+:[0-9x]+:[0-9x]+\\.[0-9x]+")))
        return "a time, hour:minute:second.hundredths" + example;
    if (now.find('|') != std::string::npos) return "items separated by | in the form it reads as" + example;
    return "text in the form the property reads as" + example;
}

int CheckLocalAddress(const std::string& command, const std::string& bind, std::uint16_t port,
                      const std::string& fallback) {
    const PortCheck check = CheckLocalPort(bind, port);
    switch (check.state) {
    case PortState::kFree:
        return kExitOk;
    case PortState::kNotLocal:
        std::fprintf(stderr, "vorne %s: --bind %s: not an address of this machine\n", command.c_str(), bind.c_str());
        return kExitUsage;
    case PortState::kInUse:
        std::fprintf(stderr, "vorne %s: %s: address already in use (another BACnet program?)%s%s; --port N or --bind "
                             "ADDR picks another\n",
                     command.c_str(), check.where.c_str(), fallback.empty() ? "" : "; ", fallback.c_str());
        return fallback.empty() ? kExitFailed : kExitOk;
    default:
        std::fprintf(stderr, "vorne %s: cannot listen on %s: %s\n", command.c_str(), check.where.c_str(),
                     check.error.c_str());
        return fallback.empty() ? kExitFailed : kExitOk;
    }
}

}  // namespace vorne_tool
