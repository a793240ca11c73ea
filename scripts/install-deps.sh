#!/usr/bin/env bash
# Installs every Debian package the builds and tests need. Safe to run again.
# 32-bit Wine (wine32:i386, for the x86 build under WoW64) needs the i386
# architecture; when that cannot be had, the rest still installs, and the
# reason is left in build/x86-not-run.txt for scripts/test.sh to print.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
root=$(cd "$(dirname "$0")/.." && pwd)
x86_note="$root/build/x86-not-run.txt"
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  libssl-dev
  mingw-w64 mingw-w64-tools binutils-mingw-w64
  wine64 fonts-wine xvfb xauth fonts-wqy-microhei
  msitools wixl osslsigncode openssl
)
# Waits for another apt or dpkg run (up to 15 minutes) instead of failing.
apt=(apt-get -o DPkg::Lock::Timeout=900)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# dpkg itself does not wait for the lock: retry for up to 15 minutes.
dpkg_retrying() {
  local try
  for try in $(seq 90); do
    dpkg "$@" 2>/dev/null && return 0
    sleep 10
  done
  dpkg "$@"
}

x86_unavailable() {
  mkdir -p "$(dirname "$x86_note")"
  echo "$1" >"$x86_note"
  echo "== $1"
}

# Adds i386 and installs wine32:i386; on failure takes i386 away again so that
# an unreachable i386 index does not break every later apt-get update.
install_wine32() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg_retrying --add-architecture i386
  fi
  if ! "${apt[@]}" update || ! apt-cache show wine32:i386 >/dev/null 2>&1; then
    dpkg --remove-architecture i386 || true
    "${apt[@]}" update || true
    x86_unavailable "x86 not run: the i386 package index could not be updated, so 32-bit Wine (wine32:i386) is missing"
    return 0
  fi
  if ! "${apt[@]}" install -y --no-install-recommends wine32:i386; then
    x86_unavailable "x86 not run: installing 32-bit Wine (wine32:i386) failed"
  fi
}

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  "${apt[@]}" update
  "${apt[@]}" install -y --no-install-recommends "${missing[@]}"
fi
installed wine32:i386 || install_wine32
if installed wine32:i386; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    rm -f "$x86_note"
  else
    x86_unavailable "x86 not run: 32-bit Wine is installed, but this machine's kernel runs no 32-bit programs (IA-32 emulation is off)"
  fi
fi
