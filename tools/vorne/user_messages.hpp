// What `vorne` tells a user when something is wrong: the offending text, the
// expected form with an example, and what to check next.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/vorne/options.hpp"

namespace vorne_tool {

class DriverHost;

// Checks the station and every address before anything is sent; prints one
// line per problem ("vorne read: address 'AV:x:PRESENT-VALUE': ...") and
// returns false when there was one.
bool CheckStationAndAddresses(DriverHost& driver, const CommonOptions& options, const std::string& station,
                              const std::vector<std::string>& addresses);

// Said once when a scan of the station ended with the status: the station
// that sent no I-Am (13), or did not answer (-15); empty for other statuses.
std::string StationStatusAdvice(const std::string& station, std::int32_t status, std::uint32_t waitMs);

// What a property takes, judged from the text it reads as now:
// "a bit string, one 0 or 1 per bit (now 101)".
std::string ExpectedForm(const std::string& currentText);

// Tries the local address and port before a command listens there. kExitOk
// when free; kExitUsage after saying so when the address is not one of this
// machine's. A busy port ("address already in use") is said once, with the
// options that pick another: with a `fallback` (what happens instead) the
// command goes on (kExitOk), without one it stops (kExitFailed).
int CheckLocalAddress(const std::string& command, const std::string& bind, std::uint16_t port,
                      const std::string& fallback);

}  // namespace vorne_tool
