#!/usr/bin/env bash
# Installs what is missing, then builds the presets named (default: native,
# native-asan, win64 and win32) and the MSI of each Windows preset
# (build/win64/Warden-x64.msi, build/win32/Warden-x86.msi).
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/install-deps.sh"
cd "$root"
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native native-asan win64 win32)
for preset in "${presets[@]}"; do
  build_preset "$preset"
  case "$preset" in
    win64 | win32) "$root/scripts/build-msi.sh" "$preset" ;;
  esac
done
echo "== built: ${presets[*]}"
