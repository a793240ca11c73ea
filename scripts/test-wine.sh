#!/usr/bin/env bash
# The Windows tests under Wine (x64) on a virtual display (test.sh runs this
# through xvfb-run): the GoogleTest suite, whose dialog tests open real
# windows, then the COM tests, which drive the real dialogs in Chinese and
# in English.
# Screenshots land in build/ui-screenshots as PNG.
set -euo pipefail
source "$(dirname "$0")/common.sh"
trap stop_wine EXIT
cd "$root"
wine_prefix_ready

echo "== Windows tests under Wine (x64)"
"$wine64" build/win64/tests/warden_tests.exe --gtest_brief=1
shots="$root/build/ui-screenshots"
rm -rf "$shots"
mkdir -p "$shots"
shots_w=$("$wine64" winepath -w "$shots" 2>/dev/null)

echo "== COM tests under Wine (x64): regsvr32, ProgIDs, CoCreateInstance, type library, languages,"
echo "   and the manage dialog worked end to end through ManageDoModal"
WARDEN_SCREENSHOT_DIR="$shots_w" timeout 900 "$wine64" build/win64/tests/warden_com_tests.exe --gtest_brief=1
for bmp in "$shots"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
done
echo "== dialog screenshots in $shots"
