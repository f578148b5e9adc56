#!/usr/bin/env bash
# Sets up, builds and starts wayfarer on the demo catalogue embedded in it. Without a
# display it walks through every screen instead and says where the pictures are.
# Arguments go to wayfarer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target wayfarer wayfarer-search wayfarer-catalogue >/dev/null
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ $# -eq 0 ]; then
  tour="${WAYFARER_TOUR_DIR:-build/tour}"
  echo "No display: walking through the screens instead, into $tour/"
  exec build/app/wayfarer --tour "$tour"
fi
exec build/app/wayfarer "$@"
