#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite. With a preset name (asan, tsan) it
# builds and tests that configuration instead of the default one.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"

scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" --parallel "$(nproc)"
