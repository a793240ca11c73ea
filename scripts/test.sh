#!/usr/bin/env bash
# Builds everything, then runs every test: the native suite (also under
# AddressSanitizer and UBSan) and the Windows suite under Wine (x64).
set -euo pipefail
source "$(dirname "$0")/common.sh"
trap stop_wine EXIT
"$root/scripts/build.sh"
cd "$root"

echo "== native tests"
ctest --preset native -j "$jobs"
echo "== native tests under AddressSanitizer and UBSan"
ctest --preset native-asan -j "$jobs"

echo "== Windows tests and dialog automation under Wine (x64), on a virtual display"
stop_wine  # a running wineserver would keep its display-less driver
xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/test-wine.sh"
echo "== x86 (win32) built and linked, not run: 32-bit Wine cannot be installed from the package registry"
