#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Vorna with its tests and runs them all.
# Usage: tools/test.sh [preset]   (dev by default; asan, tsan, release also work)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-dev}"
./tools/setup-debian.sh
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "$(nproc)"
