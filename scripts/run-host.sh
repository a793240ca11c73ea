#!/usr/bin/env bash
# Main job: builds Warden.dll, its language libraries and the sample host
# (x64 and x86), installs them into a private Wine prefix (build/host-prefix),
# registers them with regsvr32 and runs the sample host there. x64: first on
# a fresh install directory, then adding a user and reading two project
# directories, then once more with the English language library. x86 (the
# 32-bit host most plants run, under WoW64): adding a user to the same files.
set -euo pipefail
source "$(dirname "$0")/common.sh"
export WINEPREFIX="$root/build/host-prefix"
trap stop_wine EXIT
"$root/scripts/install-deps.sh"
cd "$root"
read -r -a architectures <<<"$(runnable_architectures)"
for arch in "${architectures[@]}"; do
  if [ "$arch" = x64 ]; then
    build_preset win64 Warden WardenCHS WardenEN warden_host wardenctl
  else
    build_preset win32 Warden WardenCHS WardenEN warden_host
  fi
done
wine_prefix_ready

drive_c="$WINEPREFIX/drive_c"
velmaris="$drive_c/Velmaris"          # the host's install directory
rm -rf "$velmaris" "$drive_c/Projects"
mkdir -p "$velmaris/English" "$drive_c/Projects/Plant1"

# The Windows profile names the install directory: Velm50 for Chinese,
# Velm51 for other languages.
win_ini="$drive_c/windows/win.ini"
touch "$win_ini"
if ! grep -q '^\[Velm50\]' "$win_ini"; then
  printf '[Velm50]\r\nApplicationDirectory=C:\\Velmaris\\\r\n[Velm51]\r\nApplicationDirectory=C:\\Velmaris\\English\\\r\n' >>"$win_ini"
fi

# Copies the preset's Warden folder to C:\Velmaris\<folder> and registers it
# with the regsvr32 of its architecture.
install_component() {
  local preset=$1 folder=$2 regsvr32=$3
  mkdir -p "$velmaris/$folder"
  cp -r "build/$preset/Warden/." "$velmaris/$folder/"
  echo "== registering C:\\Velmaris\\$folder\\Warden.dll"
  wine64 "$regsvr32" /s "C:\\Velmaris\\$folder\\Warden.dll"
  echo "registered"
}

host() { wine64 "build/$preset/host/warden_host.exe" "$@" | tr -d '\r'; }
set_language() { printf '[Language]\r\nVelmarisLanguage=%s\r\n' "$1" >"$velmaris/Warden/Config/Language.ini"; }

preset=win64
install_component win64 Warden regsvr32
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
cp build/win64/tools/wardenctl/wardenctl.exe "$velmaris/Warden/"
ctl() { wine64 'C:\Velmaris\Warden\wardenctl.exe' "$@" | tr -d '\r'; }
echo; echo "== wardenctl list  (the files the host wrote)"
ctl list | tee build/host-ctl-list.txt
grep -q 'Operator1' build/host-ctl-list.txt
echo; echo "== wardenctl verify"
ctl verify
echo; echo "== wardenctl add-user Scripted1, then warden_host.exe reads it"
ctl add-user Scripted1 --priority 5 --zones 1-3 --allow-empty-passwords
host | tee build/host-after-ctl.txt
grep -q 'Scripted1' build/host-after-ctl.txt

if ! wine32_ready; then
  echo; echo "== $(x86_not_run_reason)"
  exit 0
fi
preset=win32
echo
install_component win32 Warden-x86 'C:\windows\syswow64\regsvr32.exe'
echo; echo "== x86 warden_host.exe --add-user Operator2  (the same install directory)"
host --add-user Operator2
