#!/usr/bin/env bash
# The Windows tests under Wine on a virtual display (test.sh runs this
# through xvfb-run), for each architecture named (x64, x86; default x64):
# the GoogleTest suite, whose dialog tests open real windows, then the COM
# tests, which drive the real dialogs in Chinese and in English; then
# wardenctl.exe and the component on each other's files. x86 runs in the
# same 64-bit prefix under WoW64.
set -euo pipefail
source "$(dirname "$0")/common.sh"
trap stop_wine EXIT
cd "$root"
wine_prefix_ready

run_architecture() {
  local arch=$1 preset
  preset=$([ "$arch" = x64 ] && echo win64 || echo win32)

  echo "== Windows tests under Wine ($arch)"
  wine64 "build/$preset/tests/warden_tests.exe" --gtest_brief=1

  echo "== COM tests under Wine ($arch): regsvr32, ProgIDs, CoCreateInstance, type library,"
  echo "   languages, and the manage dialog worked end to end through ManageDoModal"
  timeout 900 "$(wine_program)" "build/$preset/tests/warden_com_tests.exe" --gtest_brief=1
}

architectures=("$@")
[ ${#architectures[@]} -gt 0 ] || architectures=(x64)
for arch in "${architectures[@]}"; do run_architecture "$arch"; done

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
ctl_root_w=$(wine64 winepath -w "$ctl_root" 2>/dev/null)
# Any [Velm50] section left by earlier steps gives way to this one.
awk 'BEGIN{skip=0} /^\[/{skip=($0 ~ /^\[Velm50\]/)} !skip' "$ctl_root/win.ini.saved" >"$win_ini"
printf '[Velm50]\r\nApplicationDirectory=%s\\\r\n' "$ctl_root_w" >>"$win_ini"
wine64 regsvr32 /s "$ctl_root_w\\Warden\\Warden.dll"
ctl() { wine64 "$ctl_root/Warden/wardenctl.exe" "$@" | tr -d '\r'; }
wine64 build/win64/host/warden_host.exe --add-user Operator1 >/dev/null
ctl list | grep -q '^  Operator1$'
# On a console (a pseudo-terminal gives the tool one) Chinese shows as written.
on_console=$(timeout 120 script -qec "'$(wine_program)' '$ctl_root/Warden/wardenctl.exe' list" \
  /dev/null) || true
grep -q '系统管理员' <<<"$on_console" || { echo "FAILED: wardenctl list on a console" >&2; exit 1; }
ctl verify >/dev/null
# A save gives the new file and the backup the access list of the file it
# replaces: one that lets others in nowhere (Wine keeps it in the mode) stays so.
chmod 600 "$ctl_root/users.dat"
ctl add-user Scripted1 --priority 5 --zones 1-3 --allow-empty-passwords
for saved in users.dat users.bak; do
  [ $((0$(stat -c %a "$ctl_root/$saved") & 7)) -eq 0 ] ||
    { echo "FAILED: $saved open to others after a save" >&2; exit 1; }
done
wine64 build/win64/host/warden_host.exe | tr -d '\r' | grep -q 'user Scripted1 .*priority 5'
# Writers started together each keep their change (each holds users.lck from
# its load to its save); a reading command creates nothing, not even a lock.
for n in 1 2 3 4; do ctl add-user "Parallel$n" --allow-empty-passwords & done
wait
[ "$(ctl list | grep -c '^Parallel')" = 4 ] || { echo "parallel wardenctl runs lost users"; exit 1; }
# Two hosts and the tool saving side by side: one record per save, seq
# strictly increasing, and the history checks clean. (A host holds no lock
# from its load to its save, so one host's user may be saved over.)
seqs() { grep -o '^{"seq":[0-9]*' "$ctl_root/History/trail.jsonl" | cut -d: -f2; }
before=$(seqs | wc -l)
for n in 1 2; do
  wine64 build/win64/host/warden_host.exe --add-user "Hosted$n" >/dev/null &
  ctl add-user "Sided$n" --allow-empty-passwords >/dev/null &
done
wait
[ $(($(seqs | wc -l) - before)) = 4 ] || { echo "FAILED: not one record per save" >&2; exit 1; }
seqs | awk 'NR > 1 && $1 <= last { exit 1 } { last = $1 }' ||
  { echo "FAILED: seq does not strictly increase" >&2; exit 1; }
ctl history verify >/dev/null || { echo "FAILED: history verify after side-by-side saves" >&2; exit 1; }
mkdir "$ctl_root/bare"
cp "$ctl_root/users.dat" "$ctl_root/bare/"
ctl --dir "$ctl_root_w\\bare" verify >/dev/null
[ "$(ls -A "$ctl_root/bare")" = users.dat ] || { echo "wardenctl verify created files"; exit 1; }
wine64 regsvr32 /u /s "$ctl_root_w\\Warden\\Warden.dll"
cp "$ctl_root/win.ini.saved" "$win_ini"
echo "wardenctl and the component read each other's files; parallel writers keep every change;"
echo "hosts and the tool side by side leave one record per save"
