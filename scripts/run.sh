#!/usr/bin/env bash
# Sets up, builds and runs wayfarer-search on the demo catalogue embedded in it.
# Arguments go to wayfarer-search; without any it searches for "rome" with covers.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target wayfarer-search wayfarer-catalogue >/dev/null
if [ $# -eq 0 ]; then
  set -- --pages 2 --covers rome
fi
exec build/tools/wayfarer-search "$@"
