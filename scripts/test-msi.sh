#!/usr/bin/env bash
# The MSIs under Wine's msiexec, in a fresh prefix of their own
# (build/msi-prefix), for each architecture given (default: x64 x86):
#  1. the File table names each binary's own version and language, the
#     project's version; wardenctl --version and the host say it too;
#  2. the registration the MSI writes equals what regsvr32 writes, and
#     Programs and Features gets the folder;
#  3. the sample host creates Warden.Config from the installed folder;
#  4. a later version, signed with a throw-away certificate whose signatures
#     verify, replaces the installed one (one product listed) and keeps a
#     changed Language.ini;
#  5. uninstalling removes the files and keys and leaves the data files;
#     while installed, the history's event source names Warden.dll as its
#     message file (regsvr32 does not write it);
#  6. the same version again leaves one product; an earlier one is refused;
# and with both packages built:
#  7. neither package goes into the other's folder; ADDTOPATH=1 puts the x64
#     folder on the system PATH until that package goes; where x86 programs
#     run, the ProgIDs stay while either package is installed.
#
# Wine's msiexec, removing the old product of an upgrade, deletes the whole
# UpgradeCodes key with the new product's entry (Windows deletes the old
# product's entry only), so Wine finds no product to upgrade after that: each
# case that needs one starts from a fresh install.
set -euo pipefail
source "$(dirname "$0")/common.sh"
export WINEPREFIX="$root/build/msi-prefix"
trap stop_wine EXIT
cd "$root"

drive_c="$WINEPREFIX/drive_c"
folder="$drive_c/Velmaris/Warden"   # INSTALLDIR, also the host's data directory
folder_w='C:\Velmaris\Warden'
other_w='C:\Velmaris\Other'         # a second install folder
work=build/msi-test
version=$(cmake_cache win64 CMAKE_PROJECT_VERSION)
next_version=${version%.*}.$((${version##*.} + 1))
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

# The values of the Programs and Features (Uninstall) entries of "Warden
# (ARCH)", both registry views, one entry after the other.
uninstall_entries() {
  stop_wine
  awk -v name="\"DisplayName\"=\"Warden ($1)\"" '
    /^\[/ { if (index(entry, name)) printf "%s", entry
            entry = ""; inside = ($0 ~ /\\\\Uninstall\\\\/); next }
    inside && NF { entry = entry $0 "\n" }
    END { if (index(entry, name)) printf "%s", entry }' "$WINEPREFIX/system.reg"
}
products_named() { uninstall_entries "$1" | grep -c '^"DisplayName"=' || true; }

# The values of the Application log's event source "Warden".
event_source() {
  stop_wine
  awk '/^\[/ { inside = (tolower($0) ~ /eventlog\\\\application\\\\warden\]/); next }
       inside && NF && !/^#/' "$WINEPREFIX/system.reg"
}

# The system PATH, as the registry holds it.
system_path() {
  stop_wine
  awk '/^\[/ { inside = ($0 ~ /Session Manager\\\\Environment\]/); next }
       inside && tolower($0) ~ /^"path"=/' "$WINEPREFIX/system.reg"
}

# msiexec ARCH ARGS...: the package of ARCH through Wine's msiexec, without
# UI, with a verbose log in $work/msiexec.log. The x86 package goes through
# the 32-bit msiexec where x86 programs run: see the README for why that run
# is the one that matches 64-bit Windows.
msiexec() {
  local program=msiexec
  if [ "$1" = x86 ] && wine32_ready; then program='C:\windows\syswow64\msiexec.exe'; fi
  shift
  wine64 "$program" "$@" /qn /l*v "$(winepath_of "$work/msiexec.log")"
}
winepath_of() { echo "Z:$(realpath "$1" | tr / '\\')"; }
# Whether the last msiexec run ended with ACTION. (Wine's msi logs no text
# of a refusal without UI; Windows' /l*v log has it.)
stopped_at() {
  [ "$(grep -o 'Action ended [0-9:]*: [A-Za-z]*\.' "$work/msiexec.log" | sed 's/.*: //' |
       grep -m1 -B1 '^INSTALL\.$' | head -n1)" = "$1." ]
}

# run_host ARCH WHAT: runs the host of ARCH and says what it read; fails
# when it cannot create Warden.Config or reports a failed call.
run_host() {
  local output preset
  preset=$(preset_of "$1")
  output=$(wine64 "build/$preset/host/warden_host.exe" | tr -d '\r')
  grep -q '^created Warden.Config' <<<"$output" || fail "$2: the host could not create Warden.Config"
  if grep -q '!' <<<"$output"; then fail "$2: the host reported a failure"; fi
  echo "host ($1): $(grep -m1 -o 'Warden.dll [0-9.]*' <<<"$output"), read" \
    "$(grep -m1 -o '^[0-9]* groups and users' <<<"$output")"
}
preset_of() { if [ "$1" = x64 ]; then echo win64; else echo win32; fi; }

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

# Each versioned row of the File table against the installed file's own
# version resource; all of them the project's version.
check_versions() {
  local msi=$1 name file_version language file resource checked=0
  while IFS=$'\t' read -r name file_version language; do
    file=$(find "$folder" -name "${name#*|}" | head -n1)
    resource=$(version_resource "$file") || { fail "$name has no version resource"; continue; }
    [ "$resource" = "$file_version $language" ] ||
      fail "$name is $resource, the File table says $file_version $language"
    [ "$file_version" = "$version.0" ] || fail "$name: File.Version $file_version, the project is $version"
    checked=$((checked + 1))
  done < <(msiinfo export "$msi" File | tr -d '\r' | awk -F'\t' 'NR > 3 && $5 != "" { print $3 "\t" $5 "\t" $6 }')
  [ "$checked" -ge 3 ] || fail "only $checked versioned files in $msi"
  [ "$(msiinfo export "$msi" MsiFileHash | tail -n +4 | wc -l)" = 1 ] ||
    fail "$msi: versioned files are still in MsiFileHash"
  if [ -f "$folder/wardenctl.exe" ]; then
    [ "$(wine64 "$folder_w\\wardenctl.exe" --version | tr -d '\r')" = "wardenctl $version" ] ||
      fail "wardenctl --version does not say $version"
  fi
}

# Programs and Features: the folder, the support link, no Modify button, the icon.
check_uninstall_entry() {
  local entry
  entry=$(uninstall_entries "$arch")
  grep -qiF "\"InstallLocation\"=\"$(sed 's/\\/\\\\/g' <<<"$folder_w")\\\\\"" <<<"$entry" ||
    fail "Programs and Features ($arch) does not show the install folder"
  grep -q '^"HelpLink"=' <<<"$entry" || fail "Programs and Features ($arch) has no support link"
  grep -q '^"NoModify"=dword:00000001' <<<"$entry" || fail "Programs and Features ($arch) offers Modify"
  grep -q '^"ProductIcon"=.*WardenIcon"$' "$WINEPREFIX/system.reg" || fail "Programs and Features ($arch) has no icon"
}

# The old product goes inside the installation transaction: after
# InstallInitialize, before InstallFinalize (Wine does not roll back, so the
# sequence is read, not tried).
removes_old_inside_transaction() {
  local sequence
  sequence=$(msiinfo export "$1" InstallExecuteSequence | tr -d '\r' | awk -F'\t' '
    $1 == "InstallInitialize" { first = $3 } $1 == "RemoveExistingProducts" { remove = $3 }
    $1 == "InstallFinalize" { last = $3 } END { print first + 0 < remove + 0 && remove + 0 < last + 0 }')
  [ "$sequence" = 1 ] || fail "$1: RemoveExistingProducts is not inside the installation transaction"
}

# A throw-away self-signed code-signing certificate for the signed packages.
make_certificate() {
  quietly openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Warden test signing" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/sign.key" -out "$work/sign.pem"
  quietly openssl pkcs12 -export -inkey "$work/sign.key" -in "$work/sign.pem" \
    -passout pass:throwaway -out "$work/sign.pfx"
}

# package VERSION NAME: the preset's package again from a copy of its files
# given VERSION (in their version resources too), signed; prints its path.
package() {
  local copy="$work/$preset-$2" file
  rm -rf "$copy"
  mkdir -p "$copy/tools/wardenctl"
  cp -r "build/$preset/Warden" "$copy/"
  local wardenctl="build/$preset/tools/wardenctl/wardenctl.exe"
  [ ! -f "$wardenctl" ] || cp "$wardenctl" "$copy/tools/wardenctl/"
  while IFS= read -r file; do set_file_version "$file" "$1"; done < <(find "$copy" -name '*.dll' -o -name '*.exe')
  WARDEN_SIGN_PFX="$work/sign.pfx" WARDEN_SIGN_PASSWORD=throwaway \
    scripts/build-msi.sh "$preset" "$work/Warden-$arch-$2.msi" "$copy" "$1" >/dev/null
  echo "$work/Warden-$arch-$2.msi"
}

# Writes MAJOR.MINOR.PATCH as the file and product version of a binary's
# fixed version information (after its signature and structure version).
set_file_version() {
  local major minor patch key bytes= word
  IFS=. read -r major minor patch <<<"$2"
  key=$(byte_offset "$(utf16_pattern VS_VERSION_INFO)" "$1" 0)
  for word in "$minor" "$major" 0 "$patch" "$minor" "$major" 0 "$patch"; do
    bytes+=$(printf '\\x%02x\\x%02x' $((word & 255)) $((word >> 8)))
  done
  printf "$bytes" | dd of="$1" bs=1 seek=$((key + 42)) conv=notrunc status=none
}

# The MSI's signature and those of the binaries in it, against the
# throw-away certificate.
check_signatures() {
  local msi=$1 files="$work/extracted" file count=0
  quietly osslsigncode verify -CAfile "$work/sign.pem" -in "$msi" || fail "$msi: signature does not verify"
  rm -rf "$files"
  mkdir -p "$files"
  quietly msiextract -C "$files" "$msi"
  while IFS= read -r file; do
    quietly osslsigncode verify -CAfile "$work/sign.pem" -in "$file" || fail "$file: signature does not verify"
    count=$((count + 1))
  done < <(find "$files" -name '*.dll' -o -name '*.exe')
  [ "$count" -ge 4 ] || fail "$msi: only $count signed binaries"
  echo "signatures verify: the MSI and its $count binaries"
}

test_architecture() {
  arch=$1
  preset=$(preset_of "$arch")
  local msi="build/$preset/Warden-$arch.msi" upgrade rebuild
  echo "== $msi"
  registered_by_regsvr32

  step_start
  msiexec "$arch" /i "$msi" INSTALLDIR="$folder_w" || fail "msiexec /i $msi"
  local installed=(Warden.dll Lang/CHS/WardenCHS.dll Lang/EN/WardenEN.dll Config/Language.ini)
  if [ -f "build/$preset/tools/wardenctl/wardenctl.exe" ]; then installed+=(wardenctl.exe); fi
  for file in "${installed[@]}"; do expect_file "$file" "install ($arch)"; done
  check_versions "$msi"
  registration_state >"$work/msi-$arch.txt"
  diff -u "$work/regsvr32-$arch.txt" "$work/msi-$arch.txt" ||
    fail "the MSI's registration differs from regsvr32's ($arch)"
  check_uninstall_entry
  event_source | grep -qiF 'Velmaris\\Warden\\Warden.dll"' ||
    fail "the event source ($arch) does not name the installed Warden.dll"
  event_source | grep -q '^"TypesSupported"=dword:00000007' ||
    fail "the event source ($arch) has no TypesSupported=7"
  step_passed "installed in $folder_w, every binary version $version:" \
    "$(grep -c '^system \[' "$work/msi-$arch.txt") registry keys, as regsvr32 writes them;" \
    "the event source's messages in Warden.dll"
  run_host "$arch" "installed ($arch)"

  upgrade=$(package "$next_version" upgrade)
  check_signatures "$upgrade"
  removes_old_inside_transaction "$upgrade"
  step_start
  printf '[Language]\r\nVelmarisLanguage=ENGLISH\r\n' >"$folder/Config/Language.ini"
  for side in users.111 users.112 users.bak section.111 section.112 section.bak; do
    echo "$side" >"$folder/$side"
  done
  msiexec "$arch" /i "$upgrade" || fail "msiexec /i $upgrade"
  [ "$(version_resource "$folder/Warden.dll")" = "$next_version.0 2052" ] ||
    fail "upgrade ($arch): Warden.dll not replaced"
  grep -q ENGLISH "$folder/Config/Language.ini" || fail "upgrade ($arch): Language.ini overwritten"
  [ "$(products_named "$arch")" = 1 ] || fail "upgrade ($arch): $(products_named "$arch") products listed"
  step_passed "upgraded to $next_version: one product listed, Warden.dll replaced, Language.ini (ENGLISH) kept"
  run_host "$arch" "upgraded ($arch)"

  step_start
  msiexec "$arch" /x "$upgrade" || fail "msiexec /x $upgrade"
  for file in Warden.dll wardenctl.exe Lang Config; do expect_no_file "$file" "uninstall ($arch)"; done
  for file in users.dat section.dat users.111 users.112 users.bak section.111 section.112 section.bak; do
    expect_file "$file" "uninstall ($arch)"
  done
  [ -z "$(registration_state)" ] || fail "uninstall ($arch) left registration keys behind"
  [ -z "$(event_source)" ] || fail "uninstall ($arch) left the event source behind"
  [ "$(products_named "$arch")" = 0 ] || fail "uninstall ($arch): still listed as installed"
  step_passed "uninstalled: files and keys gone; users.dat, section.dat and their side files kept"
  rm -rf "$drive_c/Velmaris"

  step_start
  rebuild=$(package "$version" rebuild)
  msiexec "$arch" /i "$msi" || fail "msiexec /i $msi (before the rebuild)"
  msiexec "$arch" /i "$rebuild" || fail "msiexec /i $rebuild (the same version, another build)"
  msiexec "$arch" /i "$rebuild" || fail "msiexec /i $rebuild (the same package again)"
  [ "$(products_named "$arch")" = 1 ] || fail "same version ($arch): $(products_named "$arch") products listed"
  msiexec "$arch" /x "$rebuild" || fail "msiexec /x $rebuild"
  msiexec "$arch" /i "$upgrade" || fail "msiexec /i $upgrade (before the earlier version)"
  if msiexec "$arch" /i "$msi"; then fail "version $version ($arch) installed over $next_version"; fi
  stopped_at LaunchConditions || fail "downgrade ($arch): not refused by its launch condition"
  [ "$(products_named "$arch")" = 1 ] || fail "downgrade ($arch): $(products_named "$arch") products listed"
  msiexec "$arch" /x "$upgrade" || fail "msiexec /x $upgrade (after the earlier version)"
  step_passed "the same version again: one product listed; $version over $next_version: refused"
  rm -rf "$drive_c/Velmaris"
}

# install_refused ARCH FOLDER: the package of ARCH must refuse FOLDER.
install_refused() {
  if msiexec "$1" /i "build/$(preset_of "$1")/Warden-$1.msi" INSTALLDIR="$2"; then
    fail "the $1 package went into $2, the other package's folder"
  fi
  stopped_at RefuseSharedFolder || fail "the $1 package did not stop at RefuseSharedFolder in $2"
  [ "$(products_named "$1")" = 0 ] || fail "the refused $1 package is listed"
}

# Both packages, each in its own folder. Where x86 programs do not run, the
# x86 package goes through the 64-bit msiexec, which keeps its ProgIDs apart
# (see the README): the shared ProgIDs are then not checked.
test_both_packages() {
  echo "== both packages"
  local x64="build/win64/Warden-x64.msi" x86="build/win32/Warden-x86.msi"
  # The hosts' data, which outlives the packages installed beside it.
  mkdir -p "$folder"
  cp tests/data/users.dat tests/data/section.dat "$folder/"
  step_start
  msiexec x86 /i "$x86" INSTALLDIR="$folder_w" || fail "msiexec /i $x86"
  install_refused x64 "$folder_w"
  msiexec x86 /x "$x86" || fail "msiexec /x $x86"
  msiexec x64 /i "$x64" INSTALLDIR="$other_w" ADDTOPATH=1 || fail "msiexec /i $x64 ADDTOPATH=1"
  install_refused x86 "$other_w"
  msiexec x86 /i "$x86" INSTALLDIR="$folder_w" || fail "msiexec /i $x86 (beside x64)"
  system_path | grep -qiF 'Velmaris\\Other' || fail "ADDTOPATH=1: $other_w is not on the system PATH"
  step_passed "neither package goes into the other's folder; ADDTOPATH=1 put $other_w on the system PATH"

  step_start
  if wine32_ready; then
    msiexec x86 /x "$x86" || fail "msiexec /x $x86"
    run_host x64 "the x86 package removed"
    msiexec x86 /i "$x86" INSTALLDIR="$folder_w" || fail "msiexec /i $x86 (again)"
  fi
  msiexec x64 /x "$x64" || fail "msiexec /x $x64"
  ! system_path | grep -qiF 'Velmaris\\Other' || fail "$other_w is still on the system PATH"
  if wine32_ready; then
    run_host x86 "the x64 package removed"
    registration_state | diff -u "$work/msi-x86.txt" - || fail "the x64 package took x86 registration with it"
  else
    registration_state | grep -qF 'system [Software\\Classes\\Warden.Config\\CLSID]' ||
      fail "the x64 package took the ProgIDs the x86 package holds"
  fi
  msiexec x86 /x "$x86" || fail "msiexec /x $x86"
  if wine32_ready; then
    [ -z "$(registration_state)" ] || fail "the last package left registration keys behind"
    step_passed "the ProgIDs stayed while either package was installed; the PATH entry went with the x64 package"
  else
    step_passed "the PATH entry went with the x64 package, the ProgIDs stayed for the x86 one;" \
      "$(x86_not_run_reason)"
  fi
  rm -rf "$drive_c/Velmaris"
}

stop_wine
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$work"
wine_prefix_ready >/dev/null
make_certificate
# The profile names the install folder as the host's data directory, so the
# data files lie among the installed ones when the package is removed.
printf '[Velm50]\r\nApplicationDirectory=%s\\\r\n[Velm51]\r\nApplicationDirectory=%s\\\r\n' \
  "$folder_w" "$folder_w" >>"$drive_c/windows/win.ini"

architectures=("$@")
[ ${#architectures[@]} -gt 0 ] || architectures=(x64 x86)
for arch in "${architectures[@]}"; do test_architecture "$arch"; done
if [ -f build/win64/Warden-x64.msi ] && [ -f build/win32/Warden-x86.msi ]; then test_both_packages; fi
if [ "$failures" -gt 0 ]; then
  echo "== MSI tests: $failures failed"
  exit 1
fi
echo "== MSI tests passed"
