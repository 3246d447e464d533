// Command-line options shared by the `vorne` subcommands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/vorne/driver_host.hpp"

namespace vorne_tool {

struct CommonOptions {
    HostSettings host;
    std::string driverPath;
    std::string logFile;
    std::string bind;
    std::string broadcast;
    bool help = false;
    bool json = false;
    std::string tagsFile;
    std::uint32_t intervalMs = 1000;
    std::int64_t count = -1;  // poll: scans before stopping, -1 for ever
    // sim
    std::string objectsFile;
    std::uint32_t deviceInstance = 1234;
    bool stationGiven = false;  // --station was on the command line
    std::vector<std::string> positional;
    // discover and browse
    std::int64_t rangeLow = -1;  // --range LOW-HIGH; -1: every device
    std::int64_t rangeHigh = -1;
    std::string outFile;
    // sim: a device behind a router, without segmentation, with unreadable objects
    std::string simName;
    std::uint16_t simNetwork = 0;
    std::uint8_t simMac = 1;
    bool simNoSegmentation = false;
    std::string simUnreadable;  // TYPE:INSTANCE,...
};

// Parses argv[first..]; false with a message on a bad option.
bool ParseOptions(int argc, char** argv, int first, CommonOptions& options, std::string& error);

// Applies --log, --bind and --broadcast to the environment the host libraries read.
void ApplyEnvironment(const CommonOptions& options);

extern const char* const kCommonOptionsHelp;

}  // namespace vorne_tool
