#!/usr/bin/env bash
# Installs the Debian packages Corvelane needs to build, run and test, when
# they are missing. Needs root or sudo for apt-get; does nothing when all are there.
set -euo pipefail

packages=(cmake g++ make libcli11-dev libgtest-dev qt6-base-dev fonts-dejavu-core liburing-dev libmuparser-dev libcsv-dev zlib1g-dev)
if [ "${1:-}" = "--tests" ]; then
  # python3 runs the layering checks (tools/check_layers.py) among the tests;
  # clang-format checks that the sources keep the repository's style.
  packages+=(locales xvfb xauth python3 clang-format)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
    echo "corvelane: please install as root: $*" >&2; return 1; fi
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing Debian packages: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests also run under a decimal-comma locale when one can be made.
if [ "${1:-}" = "--tests" ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null || echo "note: no de_DE.UTF-8 locale; locale tests run in C"
fi
