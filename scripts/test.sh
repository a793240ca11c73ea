#!/usr/bin/env bash
# Builds everything, then runs every test: the native suite (also under
# AddressSanitizer and UBSan), the fuzzers for a short fixed time, and the
# Windows suite under Wine (x64).
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

echo "== Windows tests under Wine (x64)"
wine_prefix_ready
"$wine64" build/win64/tests/warden_tests.exe --gtest_brief=1
echo "== COM tests under Wine (x64): regsvr32, ProgIDs, CoCreateInstance, type library, languages"
"$wine64" build/win64/tests/warden_com_tests.exe --gtest_brief=1
echo "== x86 (win32) built and linked, not run: 32-bit Wine cannot be installed from the package registry"
