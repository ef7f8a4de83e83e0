#!/usr/bin/env bash
# Sets up, builds and runs every test: the suite, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, and short fuzzer runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DWEVEL_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -j"$jobs"

# The fuzzers: a project of their own, built with clang's libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer; each runs for a bounded
# time over a copy of its seed corpus made in build-fuzz.
cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$jobs"
ctest --test-dir build-fuzz --output-on-failure -j"$jobs"
