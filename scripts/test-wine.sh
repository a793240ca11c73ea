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

echo "== wardenctl under Wine (x64): the files the component wrote, and the component reading the tool's"
# The tool beside a registered Warden.dll, the install directory named in the
# prefix's profile for the time of this step.
ctl_root="$root/build/ctl-wine"
rm -rf "$ctl_root"
mkdir -p "$ctl_root/Warden"
cp -r build/win64/Warden/. build/win64/tools/wardenctl/wardenctl.exe "$ctl_root/Warden/"
win_ini="$WINEPREFIX/drive_c/windows/win.ini"
touch "$win_ini"
cp "$win_ini" "$ctl_root/win.ini.saved"
ctl_root_w=$("$wine64" winepath -w "$ctl_root" 2>/dev/null)
# Any [Velm50] section left by earlier steps gives way to this one.
awk 'BEGIN{skip=0} /^\[/{skip=($0 ~ /^\[Velm50\]/)} !skip' "$ctl_root/win.ini.saved" >"$win_ini"
printf '[Velm50]\r\nApplicationDirectory=%s\\\r\n' "$ctl_root_w" >>"$win_ini"
"$wine64" regsvr32 /s "$ctl_root_w\\Warden\\Warden.dll"
ctl() { "$wine64" "$ctl_root/Warden/wardenctl.exe" "$@" | tr -d '\r'; }
"$wine64" build/win64/host/warden_host.exe --add-user Operator1 >/dev/null
ctl list | grep -q '^  Operator1$'
ctl verify >/dev/null
ctl add-user Scripted1 --priority 5 --zones 1-3
"$wine64" build/win64/host/warden_host.exe | tr -d '\r' | grep -q 'user Scripted1 .*priority 5'
"$wine64" regsvr32 /u /s "$ctl_root_w\\Warden\\Warden.dll"
cp "$ctl_root/win.ini.saved" "$win_ini"
echo "wardenctl and the component read each other's files"
