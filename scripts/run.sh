#!/usr/bin/env bash
# Builds Corvelane and runs it. With no arguments it converts the bundled
# samples; any arguments are passed to the program (e.g. convert ..., check ...).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/release" -j"$(nproc)" --target corvelane
exec "$root/build/release/corvelane" "$@"
