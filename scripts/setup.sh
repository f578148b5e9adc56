#!/usr/bin/env bash
# Installs the Debian packages that Wayfarer builds, tests and runs with; with the
# argument "fuzz", also clang and its runtime with libFuzzer (some 250 MB, so only then).
# Does nothing when all are present; without root it prints the one command to run.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libcurl4-openssl-dev libsimdjson-dev libturbojpeg0-dev libpng-dev libwebp-dev
  libcpp-httplib-dev libssl-dev zlib1g-dev libbrotli-dev
  qt6-base-dev qt6-tools-dev libqt6opengl6-dev qt6-svg-dev libfontconfig-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb libxcb-damage0-dev xdotool at-spi2-core dbus-daemon nginx iproute2
  librsvg2-bin help2man dpkg-dev file
  lintian desktop-file-utils appstream
)
case "${1:-}" in
  "") ;;
  fuzz) packages+=(clang libclang-rt-dev) ;;
  *) echo "usage: $0 [fuzz]" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Wayfarer needs these packages; install them with:" >&2
  echo "sudo apt-get install ${missing[*]}"
  exit 1
fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# The tests run nginx on loopback ports of their own: keep the package from starting the
# system's nginx on port 80 as it installs.
if [ ! -e /usr/sbin/policy-rc.d ]; then
  printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d
  chmod +x /usr/sbin/policy-rc.d
  trap 'rm -f /usr/sbin/policy-rc.d' EXIT
fi
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
