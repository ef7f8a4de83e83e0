#!/usr/bin/env bash
# Installs what building and testing wevelconf needs on Debian 12.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev   # Qt 6 Widgets, moc, uic, rcc
  libgtest-dev libgmock-dev                   # tests
  clang libclang-rt-14-dev                    # fuzzers (libFuzzer, sanitizers)
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
