#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Vorna and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/setup-debian.sh
cmake --preset release
cmake --build --preset release -j "$(nproc)"
exec ./build/release/bin/vorna "$@"
