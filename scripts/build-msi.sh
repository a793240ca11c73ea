#!/usr/bin/env bash
# Builds the Windows Installer package of a built Windows preset with wixl:
#   scripts/build-msi.sh win64|win32 [OUTPUT.msi [wixl options...]]
# Default output: build/<preset>/Warden-<x64|x86>.msi. wardenctl.exe goes in
# when the preset has built it. Extra options (-D Version=..., -D Built=...)
# are for the upgrade test.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$root"
preset=${1:?usage: build-msi.sh win64|win32 [OUTPUT.msi [wixl options...]]}
case "$preset" in
  win64) arch=x64 win64_bit=256 ;;
  win32) arch=x86 win64_bit=0 ;;
  *) echo "build-msi.sh: no package for preset $preset" >&2; exit 2 ;;
esac
out=${2:-build/$preset/Warden-$arch.msi}
shift $(($# < 2 ? $# : 2))

# wixl takes source paths relative to the current folder.
defines=(-D "Arch=$arch" -D "Built=build/$preset")
wardenctl=build/$preset/tools/wardenctl/wardenctl.exe
if [ -f "$wardenctl" ]; then defines+=(-D "WardenCtl=$wardenctl"); fi
rm -f "$out"
wixl -a "$arch" "${defines[@]}" "$@" -o "$out" installer/Warden.wxs

# What wixl cannot express. The TypeLib table registers the type library as
# regsvr32 does (RegisterTypeLib with the DLL's folder as help folder, which
# a Registry row cannot write: folder properties end in a backslash).
# NeverOverwrite keeps a Language.ini the user changed through an upgrade.
never_overwrite=$((win64_bit + 128))
msibuild "$out" \
  -q "CREATE TABLE \`TypeLib\` (\`LibID\` CHAR(38) NOT NULL, \`Language\` SHORT NOT NULL,
      \`Component_\` CHAR(72) NOT NULL, \`Version\` LONG, \`Description\` CHAR(128) LOCALIZABLE,
      \`Directory_\` CHAR(72), \`Feature_\` CHAR(38) NOT NULL, \`Cost\` LONG
      PRIMARY KEY \`LibID\`, \`Language\`, \`Component_\`)" \
  -q "INSERT INTO \`TypeLib\` (\`LibID\`, \`Language\`, \`Component_\`, \`Version\`, \`Feature_\`)
      VALUES ('{6FE4A68D-C9A2-4E5F-BC13-DB7733449B07}', 1033, 'WardenDll', 256, 'Warden')" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`)
      VALUES ('UnregisterTypeLibraries', 2300)" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`)
      VALUES ('RegisterTypeLibraries', 5500)" \
  -q "UPDATE \`Component\` SET \`Attributes\` = $never_overwrite
      WHERE \`Component\` = 'LanguageIni'"
echo "built $out"
