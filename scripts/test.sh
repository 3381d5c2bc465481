#!/usr/bin/env bash
# Builds Corvelane from scratch and runs every test: once in a release build,
# once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --tests

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DCORVELANE_WERROR=ON
cmake --build build/release -j"$jobs"
(cd build/release && ctest --output-on-failure -j"$jobs")

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DCORVELANE_SANITIZE=ON
cmake --build build/sanitize -j"$jobs"
(cd build/sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$jobs")
