#!/usr/bin/env bash
# Builds Corvelane and runs it. With no arguments it opens the desktop program
# in a working folder (corvelane-work/) that holds the help text, the INDEX
# file, the bundled samples and a results/ folder where the save dialogs
# start; arguments are passed to the command line (convert ..., check ...,
# --help) in the current folder.
#
# The working folder belongs to the user: files are only ever added to it.
# Help text, INDEX and samples are installed when missing and never replaced,
# so results, edited INDEX files and anything else saved there survive a
# restart.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/release" -j"$(nproc)" --target corvelane
if [ $# -gt 0 ]; then
  exec "$root/build/release/corvelane" "$@"
fi
work="$root/corvelane-work"
mkdir -p "$work/samples" "$work/results"
for f in README INDEX; do
  [ -e "$work/$f" ] || cp "$root/share/$f" "$work/$f"
done
# Missing sample files only; a sample the user changed stays as it is.
while IFS= read -r -d '' rel; do
  rel="${rel#./}"
  if [ ! -e "$work/samples/$rel" ]; then
    mkdir -p "$(dirname "$work/samples/$rel")"
    cp "$root/samples/$rel" "$work/samples/$rel"
  fi
done < <(cd "$root/samples" && find . -type f -print0)
cd "$work"
echo "Working folder: $work (save results in $work/results)"
exec "$root/build/release/corvelane"
