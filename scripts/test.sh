#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite. With a preset name (asan, tsan) it
# builds and tests that configuration instead of the default one.
#
# The tests that take seconds run again until one fails, WAYFARER_TEST_REPEAT times in
# all (3 by default), so that a race that fails one run in a few shows; the long ones
# (the storm, the package, the X server) run once.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
repeat="${WAYFARER_TEST_REPEAT:-3}"
quick='^(catalogue|network|platform|screens|service|shell|tools|ui)$'

scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --parallel "$(nproc)"
ctest --preset "$preset" --parallel "$(nproc)" --label-regex "$quick" --repeat until-fail:"$repeat"
ctest --preset "$preset" --parallel "$(nproc)" --label-exclude "$quick"
