#!/usr/bin/env bash
# Installs what the build and the tests need (scripts/setup.sh), builds the
# release configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset release
cmake --build --preset release
ctest --preset release
