#!/usr/bin/env bash
# Builds Corvelane and runs it. With no arguments it opens the desktop program
# in a working folder (corvelane-work/) that holds the help text, the INDEX
# file and the bundled samples; arguments are passed to the command line
# (convert ..., check ..., --help) in the current folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/release" -j"$(nproc)" --target corvelane
if [ $# -gt 0 ]; then
  exec "$root/build/release/corvelane" "$@"
fi
work="$root/corvelane-work"
mkdir -p "$work"
cp "$root/share/README" "$root/share/INDEX" "$work/"
rm -rf "$work/samples" && cp -r "$root/samples" "$work/samples"
cd "$work"
echo "Working folder: $work"
exec "$root/build/release/corvelane"
