#!/usr/bin/env bash
# Remakes the README's screenshots under Xvfb: docs/start-window.png and
# docs/unispec-window.png.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh" --tests
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/release" -j"$(nproc)" --target corvelane_screenshots
mkdir -p "$root/docs"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1400x900x24" \
  "$root/build/release/corvelane_screenshots" "$root/samples" "$root/docs"
echo "Wrote $root/docs/start-window.png and $root/docs/unispec-window.png"
