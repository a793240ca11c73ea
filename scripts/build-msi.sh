#!/usr/bin/env bash
# Builds the Windows Installer package of a built Windows preset with wixl:
#   scripts/build-msi.sh win64|win32 [OUTPUT.msi [FROM [VERSION]]]
# Default output: build/<preset>/Warden-<x64|x86>.msi. FROM is a folder laid
# out as the preset's build folder (Warden/, tools/wardenctl/wardenctl.exe;
# default build/<preset>), VERSION the product version (default the
# project's, from the preset's CMake cache); every binary must carry it in
# its version resource. FROM and VERSION are for the upgrade test.
#
# Signing: with WARDEN_SIGN_PFX (a PKCS#12 file) and WARDEN_SIGN_PASSWORD
# set, the binaries are signed before they are packaged (copies, in
# build/<preset>/msi-signed) and the MSI after its last change;
# WARDEN_SIGN_TIMESTAMP_URL names an RFC 3161 timestamp server.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$root"
usage="usage: build-msi.sh win64|win32 [OUTPUT.msi [FROM [VERSION]]]"
preset=${1:?$usage}
case "$preset" in
  win64) arch=x64 other=x86 win64_bit=256 ;;
  win32) arch=x86 other=x64 win64_bit=0 ;;
  *) echo "build-msi.sh: no package for preset $preset" >&2; exit 2 ;;
esac
out=${2:-build/$preset/Warden-$arch.msi}
from=${3:-build/$preset}
version=${4:-$(cmake_cache "$preset" CMAKE_PROJECT_VERSION)}
help_link=$(cmake_cache "$preset" WARDEN_HELP_LINK)

# The versioned files: File table key and place below FROM.
binaries=(WardenDll:Warden/Warden.dll WardenCHS:Warden/Lang/CHS/WardenCHS.dll
          WardenEN:Warden/Lang/EN/WardenEN.dll)
[ ! -f "$from/tools/wardenctl/wardenctl.exe" ] || binaries+=(WardenCtl:tools/wardenctl/wardenctl.exe)

signing() { [ -n "${WARDEN_SIGN_PFX:-}" ]; }

# Signs FILE in place with the configured certificate.
sign() {
  local timestamp=()
  [ -z "${WARDEN_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$WARDEN_SIGN_TIMESTAMP_URL")
  quietly osslsigncode sign -pkcs12 "$WARDEN_SIGN_PFX" \
    -readpass <(printf '%s' "${WARDEN_SIGN_PASSWORD:-}") -h sha256 -n Warden -i "$help_link" \
    "${timestamp[@]}" -in "$1" -out "$1.signed"
  mv "$1.signed" "$1"
}

# The folder wixl packages: FROM itself, or a signed copy of its binaries.
payload=$from
if signing; then
  payload=build/$preset/msi-signed
  rm -rf "$payload"
  mkdir -p "$payload/tools/wardenctl"
  cp -r "$from/Warden" "$payload/"
  [ ! -f "$from/tools/wardenctl/wardenctl.exe" ] || cp "$from/tools/wardenctl/wardenctl.exe" "$payload/tools/wardenctl/"
  for entry in "${binaries[@]}"; do sign "$payload/${entry#*:}"; done
fi

defines=(-D "Arch=$arch" -D "Built=$payload" -D "Version=$version"
         -D "Company=$(cmake_cache "$preset" WARDEN_COMPANY)" -D "HelpLink=$help_link"
         -D "Contact=$(cmake_cache "$preset" WARDEN_CONTACT)"
         -D "Icon=resources/version/warden.ico")
[ ! -f "$payload/tools/wardenctl/wardenctl.exe" ] ||
  defines+=(-D "WardenCtl=$payload/tools/wardenctl/wardenctl.exe")
rm -f "$out"
wixl -a "$arch" "${defines[@]}" -o "$out" installer/Warden.wxs

# What wixl cannot express, as queries on the package.
queries=()
query() { queries+=(-q "$1"); }

# File.Version and File.Language from each binary's own version resource,
# which must carry the product version. Versioned files are replaced by
# version, so their hashes go.
for entry in "${binaries[@]}"; do
  file="$payload/${entry#*:}" key=${entry%%:*}
  read -r file_version language < <(version_resource "$file")
  if [ "$file_version" != "$version.0" ]; then
    echo "build-msi.sh: $file is version $file_version, the package $version" >&2
    exit 1
  fi
  query "UPDATE \`File\` SET \`Version\` = '$file_version', \`Language\` = '$language'
         WHERE \`File\` = '$key'"
  query "DELETE FROM \`MsiFileHash\` WHERE \`File_\` = '$key'"
done

# The TypeLib table registers the type library as regsvr32 does
# (RegisterTypeLib with the DLL's folder as help folder, which a Registry row
# cannot write: folder properties end in a backslash).
query "CREATE TABLE \`TypeLib\` (\`LibID\` CHAR(38) NOT NULL, \`Language\` SHORT NOT NULL,
       \`Component_\` CHAR(72) NOT NULL, \`Version\` LONG, \`Description\` CHAR(128) LOCALIZABLE,
       \`Directory_\` CHAR(72), \`Feature_\` CHAR(38) NOT NULL, \`Cost\` LONG
       PRIMARY KEY \`LibID\`, \`Language\`, \`Component_\`)"
query "INSERT INTO \`TypeLib\` (\`LibID\`, \`Language\`, \`Component_\`, \`Version\`, \`Feature_\`)
       VALUES ('{6FE4A68D-C9A2-4E5F-BC13-DB7733449B07}', 1033, 'WardenDll', 256, 'Warden')"
query "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`)
       VALUES ('UnregisterTypeLibraries', 2300)"
query "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`)
       VALUES ('RegisterTypeLibraries', 5500)"

# NeverOverwrite keeps a Language.ini the user changed through an upgrade.
query "UPDATE \`Component\` SET \`Attributes\` = $((win64_bit + 128))
       WHERE \`Component\` = 'LanguageIni'"

# The same version again (a rebuild) replaces the installed one as a later
# version does, instead of going beside it.
# (Attributes is part of the key: the row is replaced.)
upgrade_code=$(msiinfo export "$out" Property | sed -n 's/^UpgradeCode\t//p' | tr -d '\r')
query "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'"
query "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`)
       VALUES ('$upgrade_code', '$version', 513, 'WIX_UPGRADE_DETECTED')"

# Programs and Features shows the folder (set once it is resolved).
query "UPDATE \`CustomAction\` SET \`Type\` = 51 WHERE \`Action\` = 'SetInstallLocation'"
query "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = 1001
       WHERE \`Action\` = 'SetInstallLocation'"

# The other architecture's package in the chosen folder: refused, as the
# second would overwrite the first's files and the first's removal delete
# the second's.
query "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Target\`)
       VALUES ('RefuseSharedFolder', 19, 'Warden ($arch) cannot be installed in [INSTALLDIR]: Warden ($other) is installed there. Choose another folder with INSTALLDIR.')"
refuse_when="NOT Installed AND OTHERPACKAGEDIR AND OTHERPACKAGEDIR ~= INSTALLDIR"
for table in InstallExecuteSequence InstallUISequence; do
  query "INSERT INTO \`$table\` (\`Action\`, \`Condition\`, \`Sequence\`)
         VALUES ('RefuseSharedFolder', '$refuse_when', 1002)"
done

secure="WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;INSTALLDIR"
if [ "$arch" = x64 ]; then
  # ADDTOPATH=1: the install folder at the end of the system PATH, and only
  # that part taken out again when the component goes.
  secure+=";ADDTOPATH"
  query "UPDATE \`Component\` SET \`Condition\` = 'ADDTOPATH = 1' WHERE \`Component\` = 'SystemPath'"
  query "CREATE TABLE \`Environment\` (\`Environment\` CHAR(72) NOT NULL,
         \`Name\` CHAR(255) NOT NULL LOCALIZABLE, \`Value\` CHAR(255) LOCALIZABLE,
         \`Component_\` CHAR(72) NOT NULL PRIMARY KEY \`Environment\`)"
  query "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`)
         VALUES ('SystemPath', '=-*PATH', '[~];[INSTALLDIR]', 'SystemPath')"
  query "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`)
         VALUES ('RemoveEnvironmentStrings', 3300)"
  query "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`)
         VALUES ('WriteEnvironmentStrings', 5200)"
fi
query "UPDATE \`Property\` SET \`Value\` = '$secure' WHERE \`Property\` = 'SecureCustomProperties'"
msibuild "$out" "${queries[@]}"

if signing; then
  sign "$out"
  echo "built $out, signed"
else
  echo "built $out, unsigned (no certificate: WARDEN_SIGN_PFX is not set)"
fi
