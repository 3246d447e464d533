#!/usr/bin/env bash
# The first look: installs the build packages (scripts/setup.sh), builds the
# release vorne and the driver, and runs `vorne demo` (a simulated device on
# 127.0.0.2 read and written through the driver on 127.0.0.1). A few minutes,
# most of it the build.
#   demo.sh [vorne demo options]    e.g. --port 47809 when 47808 is taken
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target vorne
exec ./build/release/tools/vorne demo "$@"
