// What the one-round bench programs (instances, group size) share: their
// options and the simulated device they scan.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/simulator.hpp"

namespace bench {

// "--seconds S" (per figure) or "--smoke" (a short run); false after
// printing the usage line for anything else.
inline bool ParseRoundOptions(int argc, char** argv, const char* program, double smokeSeconds, double& seconds) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--smoke") {
            seconds = smokeSeconds;
        } else {
            std::fprintf(stderr, "usage: %s [--seconds S] [--smoke]\n", program);
            return false;
        }
    }
    return seconds > 0;
}

// The default simulated device on `ip`, at a port the system chooses.
inline bool StartDevice(sim::Simulator& device, const char* ip, std::uint32_t deviceInstance, const char* program) {
    sim::SimOptions options;
    options.bindAddress = ip;
    options.port = 0;
    options.deviceInstance = deviceInstance;
    std::string error;
    if (device.Start(options, error)) return true;
    std::fprintf(stderr, "%s: the simulated device did not start: %s\n", program, error.c_str());
    return false;
}

}  // namespace bench
