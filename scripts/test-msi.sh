#!/usr/bin/env bash
# The MSIs under Wine's msiexec, in a fresh prefix of their own
# (build/msi-prefix), for each architecture given (default: x64 x86):
#  1. the registration the MSI writes equals what regsvr32 writes;
#  2. the sample host creates Warden.Config from the installed folder;
#  3. a major upgrade replaces Warden.dll and keeps a changed Language.ini;
#  4. uninstalling removes the files and keys and leaves the data files.
set -euo pipefail
source "$(dirname "$0")/common.sh"
export WINEPREFIX="$root/build/msi-prefix"
trap stop_wine EXIT
cd "$root"

drive_c="$WINEPREFIX/drive_c"
folder="$drive_c/Velmaris/Warden"   # INSTALLDIR, also the host's data directory
folder_w='C:\Velmaris\Warden'
work=build/msi-test
failures=0

fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
# Prints its arguments when nothing failed since `step_start`.
step_start() { step_failures=$failures; }
step_passed() { [ "$failures" != "$step_failures" ] || echo "$*"; }
expect_file() { [ -e "$folder/$1" ] || fail "$2: $1 is missing"; }
expect_no_file() { [ ! -e "$folder/$1" ] || fail "$2: $1 is still there"; }

# Warden's class, ProgID, interface and type-library keys with their values,
# both registry views, from the prefix's registry files (timestamps left out).
registration_state() {
  stop_wine  # the registry files are written when the server stops
  local hive
  for hive in system user; do
    awk -v hive="$hive" '
      /^\[/ { key = $0; sub(/\] [0-9]+$/, "]", key)
              keep = tolower(key) ~ /warden\.config|37373e03-6f76-417e-9591-0e3b0cf4ade3|6fe4a68d-c9a2-4e5f-bc13-db7733449b07|36fd982c-015f-4786-93ad-93b816a9a63d/
              if (keep) print hive " " key
              next }
      /^#/ { next }
      keep && NF { print hive "   " $0 }' "$WINEPREFIX/$hive.reg"
  done
}

products_named() { stop_wine; grep -c "\"ProductName\"=\"Warden ($1)\"" "$WINEPREFIX/system.reg" || true; }

# The x86 package goes through the 32-bit msiexec, as on 32-bit Windows:
# Wine's 64-bit one writes its 32-bit keys elsewhere than a 32-bit process
# does and unregisters only 64-bit type libraries.
msiexec() {
  local program=msiexec
  [ "$arch" = x86 ] && program='C:\windows\syswow64\msiexec.exe'
  wine64 "$program" "$@" /qn
}

# Runs the host and says what it read; fails when it cannot
# create Warden.Config or reports a failed call.
run_host() {
  local output
  output=$(wine64 "build/$preset/host/warden_host.exe" | tr -d '\r')
  grep -q '^created Warden.Config' <<<"$output" || fail "$1: the host could not create Warden.Config"
  if grep -q '!' <<<"$output"; then fail "$1: the host reported a failure"; fi
  echo "host: created Warden.Config, read $(grep -m1 -o '^[0-9]* groups and users' <<<"$output")"
}

registered_by_regsvr32() {
  local regsvr32=regsvr32
  [ "$arch" = x86 ] && regsvr32='C:\windows\syswow64\regsvr32.exe'
  mkdir -p "$folder"
  cp -r "build/$preset/Warden/." "$folder/"
  wine64 "$regsvr32" /s "$folder_w\\Warden.dll" || fail "regsvr32 ($arch)"
  registration_state >"$work/regsvr32-$arch.txt"
  wine64 "$regsvr32" /s /u "$folder_w\\Warden.dll" || fail "regsvr32 /u ($arch)"
  [ -z "$(registration_state)" ] || fail "regsvr32 /u ($arch) left keys behind"
  rm -rf "$drive_c/Velmaris"
}

# The same package with a later version and a Warden.dll that differs by a
# trailing marker, which the loader ignores.
build_upgrade() {
  local built="$work/$preset"
  rm -rf "$built"
  mkdir -p "$built"
  cp -r "build/$preset/Warden" "$built/"
  printf 'upgrade-marker' >>"$built/Warden/Warden.dll"
  scripts/build-msi.sh "$preset" "$work/Warden-$arch-upgrade.msi" \
    -D "Built=$built" -D Version=1.0.1 >/dev/null
}

test_architecture() {
  arch=$1
  preset=$([ "$arch" = x64 ] && echo win64 || echo win32)
  local msi="build/$preset/Warden-$arch.msi" upgrade="$work/Warden-$arch-upgrade.msi"
  echo "== $msi"
  registered_by_regsvr32

  step_start
  msiexec /i "$msi" INSTALLDIR="$folder_w" || fail "msiexec /i $msi"
  local installed=(Warden.dll Lang/CHS/WardenCHS.dll Lang/EN/WardenEN.dll Config/Language.ini)
  if [ -f "build/$preset/tools/wardenctl/wardenctl.exe" ]; then installed+=(wardenctl.exe); fi
  for file in "${installed[@]}"; do expect_file "$file" "install ($arch)"; done
  registration_state >"$work/msi-$arch.txt"
  diff -u "$work/regsvr32-$arch.txt" "$work/msi-$arch.txt" ||
    fail "the MSI's registration differs from regsvr32's ($arch)"
  step_passed "installed in $folder_w:" \
    "$(grep -c '^system \[' "$work/msi-$arch.txt") registry keys, as regsvr32 writes them"
  run_host "installed ($arch)"

  build_upgrade
  step_start
  printf '[Language]\r\nVelmarisLanguage=ENGLISH\r\n' >"$folder/Config/Language.ini"
  for side in users.111 users.112 users.bak section.111 section.112 section.bak; do
    echo "$side" >"$folder/$side"
  done
  msiexec /i "$upgrade" || fail "msiexec /i $upgrade"
  [ "$(tail -c 14 "$folder/Warden.dll")" = upgrade-marker ] || fail "upgrade ($arch): Warden.dll not replaced"
  grep -q ENGLISH "$folder/Config/Language.ini" || fail "upgrade ($arch): Language.ini overwritten"
  [ "$(products_named "$arch")" = 1 ] || fail "upgrade ($arch): the old product is still installed"
  step_passed "upgraded to 1.0.1: Warden.dll replaced, Language.ini (ENGLISH) kept"
  run_host "upgraded ($arch)"

  step_start
  msiexec /x "$upgrade" || fail "msiexec /x $upgrade"
  for file in Warden.dll wardenctl.exe Lang Config; do expect_no_file "$file" "uninstall ($arch)"; done
  for file in users.dat section.dat users.111 users.112 users.bak section.111 section.112 section.bak; do
    expect_file "$file" "uninstall ($arch)"
  done
  [ -z "$(registration_state)" ] || fail "uninstall ($arch) left registration keys behind"
  [ "$(products_named "$arch")" = 0 ] || fail "uninstall ($arch): still listed as installed"
  step_passed "uninstalled: files and keys gone; users.dat, section.dat and their side files kept"
  rm -rf "$drive_c/Velmaris"
}

stop_wine
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$work"
wine_prefix_ready >/dev/null
# The profile names the install folder as the host's data directory, so the
# data files lie among the installed ones when the package is removed.
printf '[Velm50]\r\nApplicationDirectory=%s\\\r\n[Velm51]\r\nApplicationDirectory=%s\\\r\n' \
  "$folder_w" "$folder_w" >>"$drive_c/windows/win.ini"

architectures=("$@")
[ ${#architectures[@]} -gt 0 ] || architectures=(x64 x86)
for arch in "${architectures[@]}"; do test_architecture "$arch"; done
if [ "$failures" -gt 0 ]; then
  echo "== MSI tests: $failures failed"
  exit 1
fi
echo "== MSI tests passed"
