#!/usr/bin/env bash
# Builds everything, then runs every test: the native suite (also under
# AddressSanitizer and UBSan), the fuzzers for a short fixed time, and the
# Windows suites and dialog automation under Wine (x64) on a virtual display.
set -euo pipefail
source "$(dirname "$0")/common.sh"
trap stop_wine EXIT
"$root/scripts/build.sh"
cd "$root"

echo "== native tests"
ctest --preset native -j "$jobs"
echo "== native tests under AddressSanitizer and UBSan"
ctest --preset native-asan -j "$jobs"

echo "== fuzzing the file readers and the field cipher"
"$root/scripts/fuzz.sh"

echo "== Windows tests, COM tests and dialog automation under Wine (x64), on a virtual display"
stop_wine  # a running wineserver would keep its display-less driver
xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/test-wine.sh"
echo "== x86 (win32) built and linked, not run: 32-bit Wine cannot be installed from the package registry"
