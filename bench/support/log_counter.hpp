// The bench host's communication log: it counts the driver's lines instead of
// writing them, so that a benchmark measures the driver and not a log file.
// The tools export TraceLine, which takes the place of Netwise's.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace bench {

std::uint64_t LoggedLines();
// Lines that contained the marker (set before the run).
void SetLogMarker(const std::u16string& marker);
std::uint64_t MarkedLines();
// Marked lines logged on the calling thread from now on are also counted in
// the given counter (null: no longer).
void CountThreadMarkedLines(std::atomic<std::uint64_t>* counter);
// The last line logged, for reports when something went wrong.
std::string LastLoggedLine();
// The latest lines logged on the calling thread, oldest first, one a line.
std::string RecentThreadLines();

}  // namespace bench
