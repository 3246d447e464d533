// The `vorne` subcommands. Each returns the process exit code: 0 success,
// 1 the operation failed, 2 usage error.
#pragma once

#include "tools/vorne/options.hpp"

namespace vorne_tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

int RunRead(const CommonOptions& options, const char* argv0);
int RunWrite(const CommonOptions& options, const char* argv0);
int RunPoll(const CommonOptions& options, const char* argv0);
int RunSim(const CommonOptions& options);
int RunDemo(const CommonOptions& options, const char* argv0);
int RunDiscover(const CommonOptions& options);
int RunBrowse(const CommonOptions& options, const char* argv0);

// Loads and opens the driver; prints why not on standard error.
bool OpenDriver(DriverHost& driver, const CommonOptions& options);

}  // namespace vorne_tool
