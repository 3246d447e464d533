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

// Opens the loaded driver: kExitOk, or the exit status after saying why not
// (a busy port is said once and the driver opens on another).
int OpenDriver(DriverHost& driver, const CommonOptions& options);

}  // namespace vorne_tool
