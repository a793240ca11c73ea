#!/usr/bin/env bash
# The Windows tests under Wine (x64) on a virtual display (test.sh runs this
# through xvfb-run): the GoogleTest suite, whose dialog tests open real
# windows, the COM tests, then the dialog automation program in Chinese and
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
install="$root/build/ui-install"
rm -rf "$shots" "$install"
mkdir -p "$shots" "$install"
shots_w=$("$wine64" winepath -w "$shots" 2>/dev/null)

echo "== COM tests under Wine (x64): regsvr32, ProgIDs, CoCreateInstance, type library, languages,"
echo "   and the manage dialog worked end to end through ManageDoModal"
WARDEN_SCREENSHOT_DIR="$shots_w" timeout 900 "$wine64" build/win64/tests/warden_com_tests.exe --gtest_brief=1
echo "== dialog automation under Wine (x64)"
program=build/win64/tests/wine/zone_dialog_ui.exe
library=$("$wine64" winepath -w build/win64/Warden/Lang/EN/WardenEN.dll 2>/dev/null)
install_w=$("$wine64" winepath -w "$install" 2>/dev/null)

timeout 180 "$wine64" "$program" "$install_w\\" "$shots_w" zh 2>/dev/null
timeout 180 "$wine64" "$program" "$install_w\\" "$shots_w" en "$library" 2>/dev/null
for bmp in "$shots"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
done
echo "== dialog screenshots in $shots"
