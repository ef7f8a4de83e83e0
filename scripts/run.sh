#!/usr/bin/env bash
# Sets up, builds and starts wevelconf.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target wevelconf
exec ./build/wevelconf "$@"
