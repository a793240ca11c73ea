#!/usr/bin/env bash
# Builds everything, then runs every test: the native suite (also under
# AddressSanitizer and UBSan), the fuzzers for a short fixed time, the
# Windows suites and dialog automation under Wine on a virtual display, x64
# and x86, and the install, upgrade and uninstall of both MSIs.
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

read -r -a architectures <<<"$(runnable_architectures)"
echo "== Windows tests, COM tests and dialog automation under Wine (${architectures[*]}), on a virtual display"
stop_wine  # a running wineserver would keep its display-less driver
xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/test-wine.sh" "${architectures[@]}"

echo "== the MSIs under msiexec (${architectures[*]})"
"$root/scripts/test-msi.sh" "${architectures[@]}"
wine32_ready || echo "== $(x86_not_run_reason)"
