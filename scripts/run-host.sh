#!/usr/bin/env bash
# Main job: builds everything, installs Warden.dll with its language
# libraries into a private Wine prefix (build/host-prefix), registers it with
# regsvr32 and runs the sample host there: first on a fresh install
# directory, then adding a user and reading two project directories, then
# once more with the English language library.
set -euo pipefail
source "$(dirname "$0")/common.sh"
export WINEPREFIX="$root/build/host-prefix"
trap stop_wine EXIT
"$root/scripts/build.sh"
cd "$root"
wine_prefix_ready

drive_c="$WINEPREFIX/drive_c"
velmaris="$drive_c/Velmaris"          # the host's install directory
component="$velmaris/Warden"          # Warden.dll, Lang\, Config\
rm -rf "$velmaris" "$drive_c/Projects"
mkdir -p "$component" "$velmaris/English" "$drive_c/Projects/Plant1"
cp -r build/win64/Warden/. "$component/"

# The Windows profile names the install directory: Velm50 for Chinese,
# Velm51 for other languages.
win_ini="$drive_c/windows/win.ini"
touch "$win_ini"
if ! grep -q '^\[Velm50\]' "$win_ini"; then
  printf '[Velm50]\r\nApplicationDirectory=C:\\Velmaris\\\r\n[Velm51]\r\nApplicationDirectory=C:\\Velmaris\\English\\\r\n' >>"$win_ini"
fi

host() { "$wine64" build/win64/host/warden_host.exe "$@" | tr -d '\r'; }
set_language() { printf '[Language]\r\nVelmarisLanguage=%s\r\n' "$1" >"$component/Config/Language.ini"; }

echo "== registering C:\\Velmaris\\Warden\\Warden.dll"
"$wine64" regsvr32 /s 'C:\Velmaris\Warden\Warden.dll'
echo "registered"

set_language CHINESE
echo; echo "== warden_host.exe  (fresh install directory)"
host
cp "$velmaris/users.dat" "$velmaris/section.dat" "$drive_c/Projects/Plant1/"

echo; echo "== warden_host.exe --add-user Operator1 C:\\Projects\\Plant1 C:\\Projects\\Missing"
host --add-user Operator1 'C:\Projects\Plant1' 'C:\Projects\Missing'

set_language ENGLISH
echo; echo "== warden_host.exe  (Config\\Language.ini: ENGLISH)"
host
set_language CHINESE

# wardenctl beside Warden.dll finds the same Language.ini, language
# libraries and profile entry as the component, so it works on the files
# the host just wrote; and the host reads what the tool writes.
cp build/win64/tools/wardenctl/wardenctl.exe "$component/"
ctl() { "$wine64" 'C:\Velmaris\Warden\wardenctl.exe' "$@" | tr -d '\r'; }
echo; echo "== wardenctl list  (the files the host wrote)"
ctl list | tee build/host-ctl-list.txt
grep -q 'Operator1' build/host-ctl-list.txt
echo; echo "== wardenctl verify"
ctl verify
echo; echo "== wardenctl add-user Scripted1, then warden_host.exe reads it"
ctl add-user Scripted1 --priority 5 --zones 1-3
host | tee build/host-after-ctl.txt
grep -q 'Scripted1' build/host-after-ctl.txt
