#!/usr/bin/env bash
# Installs what is missing, then builds every target: native, native-asan,
# win64 and win32.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/install-deps.sh"
cd "$root"
for preset in native native-asan win64 win32; do build_preset "$preset"; done
echo "== built: build/{native,native-asan,win64,win32}"
