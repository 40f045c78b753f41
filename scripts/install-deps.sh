#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Tallyvox need,
# only those that are missing. Run as root on Debian 12.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libboost-dev nlohmann-json3-dev
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev qt6-qpa-plugins
  qt6-charts-dev qt6-svg-dev libqt6opengl6-dev
  libxlsxwriter-dev unzip
  fonts-dejavu-core fonts-liberation xvfb xauth
  time dpkg-dev
  libpq-dev postgresql
  libsystemd-dev strace libtomlplusplus-dev
  libcurl4-openssl-dev python3-aiosmtpd
  libcpp-httplib-dev libsodium-dev openssl
)
if [ "${TALLYVOX_WITH_FUZZ:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
fi
# The web view's browser test drives headless Chromium; only the tests need it.
if [ "${TALLYVOX_WITH_BROWSER:-0}" = 1 ]; then
  packages+=(chromium chromium-driver python3-selenium)
fi
if [ "${TALLYVOX_WITH_WINDOWS:-0}" = 1 ]; then
  packages+=(g++-mingw-w64-x86-64-posix wine64 googletest)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# One line for what is installed and one for the result; the package manager's
# own output goes to a log, shown only when the installation fails.
if [ ${#missing[@]} -gt 0 ]; then
  log="${TMPDIR:-/tmp}/tallyvox-install-deps.log"
  echo "Installing ${#missing[@]} Debian packages: ${missing[*]} (log: $log)"
  export DEBIAN_FRONTEND=noninteractive
  if apt-get update -qq >"$log" 2>&1 &&
     apt-get install -y -qq --no-install-recommends "${missing[@]}" >>"$log" 2>&1; then
    echo "Installed ${#missing[@]} packages."
  else
    echo "Installing the packages failed; the last lines of $log:" >&2
    tail -n 20 "$log" >&2
    exit 1
  fi
fi
