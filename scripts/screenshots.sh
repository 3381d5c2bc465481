#!/usr/bin/env bash
# Remakes the README's screenshots under Xvfb: docs/start-window.png,
# docs/unispec-window.png and, when the real New-Format scans are at hand
# (../shared/realdata/unispec-spu, or the folder given as the argument),
# docs/unispec-new-real-scans.png. The windows are shown in a fresh working
# folder, as scripts/run.sh prepares one, so no developer's paths appear; the
# real scans are read in place through a link in it, never copied.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
real="${1:-$root/../shared/realdata/unispec-spu}"
bash "$root/scripts/install-deps.sh" --tests
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/release" -j"$(nproc)" --target corvelane_screenshots
mkdir -p "$root/docs"

# /tmp/corvelane-work when free, else a fresh folder of that name under a new
# temporary folder; removed afterwards either way (it holds only copies).
if mkdir /tmp/corvelane-work 2>/dev/null; then
  work=/tmp/corvelane-work
  made="$work"
else
  made="$(mktemp -d)"
  work="$made/corvelane-work"
  mkdir "$work"
fi
trap 'rm -rf -- "$made"' EXIT
cp -R "$root/samples" "$work/samples"
mkdir "$work/results"
args=(samples "$root/docs")
if [ -d "$real" ]; then
  ln -s "$(cd "$real" && pwd)" "$work/field-scans"
  args+=(field-scans)
fi
(cd "$work" && QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1400x900x24" \
  "$root/build/release/corvelane_screenshots" "${args[@]}")
echo "Wrote the pictures in $root/docs"
