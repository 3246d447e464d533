// Command-line options of the `vorne` subcommands: each command takes its own
// set, and `vorne COMMAND --help` lists that set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/vorne/driver_host.hpp"

namespace vorne_tool {

struct CommonOptions {
    std::string command;
    HostSettings host;
    std::string driverPath;
    std::string logFile;
    bool verbose = false;  // the driver's communication log on standard error
    std::string bind;
    std::string broadcast;
    bool help = false;
    bool json = false;
    std::string tagsFile;
    std::uint32_t intervalMs = 1000;
    std::int64_t count = -1;  // poll: scans before stopping, -1 for ever
    bool strict = false;      // poll: refuse a tag list with a bad row
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

// Parses argv[first..] for the command; false with a message on an option
// the command does not take or a value that does not parse.
bool ParseOptions(const std::string& command, int argc, char** argv, int first, CommonOptions& options,
                  std::string& error);

// The option lines of the command's --help.
std::string OptionsHelp(const std::string& command);

// Hands --log, --bind and --broadcast to the host libraries (through the
// environment they read). Without --log or --verbose the communication log
// goes nowhere, so that only vorne's own lines show.
void ApplyEnvironment(const CommonOptions& options);

}  // namespace vorne_tool
