# Shared settings of the build and test scripts (sourced, not run).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${WARDEN_JOBS:-2}

# Wine runs in a prefix of its own below build/, without Mono or Gecko.
export WINEPREFIX="$root/build/wine-prefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

# Runs Wine's 64-bit loader. Looked up at each call, not when this file is
# sourced: on a fresh machine Wine is installed only after that.
# (Debian's wine64 puts the program in /usr/lib/wine, not on PATH.)
wine_program() {
  local program=/usr/lib/wine/wine64
  [ -x "$program" ] || program=$(type -P wine64 || type -P wine) || {
    echo "Wine is not installed (no /usr/lib/wine/wine64): run scripts/install-deps.sh" >&2
    return 127
  }
  echo "$program"
}
wine64() {
  local program
  program=$(wine_program) || return
  "$program" "$@"
}

# Runs a set-up step quietly; when it fails, shows what it printed and fails.
quietly() {
  local output
  if ! output=$("$@" 2>&1); then
    printf '%s\n' "$output" >&2
    echo "FAILED: $*" >&2
    return 1
  fi
}

# Creates the prefix when it is new and makes dialogs look as on Windows:
# Wine draws the window frames itself (Xvfb has no window manager), the
# dialog font maps to a CJK font so that Chinese renders, and the caption
# buttons get Marlett (fonts-wine; this Wine build does not look into its
# own font folder).
wine_prefix_ready() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== creating the Wine prefix $WINEPREFIX"
    quietly wineboot_and_wait -i || return 1
  elif wine32_ready && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/regsvr32.exe" ]; then
    echo "== adding the 32-bit parts to the Wine prefix $WINEPREFIX"
    quietly wineboot_and_wait -u || return 1
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "FAILED: wineboot left no prefix in $WINEPREFIX" >&2
    return 1
  fi
  quietly wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f || return 1
  local font key
  for font in "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif"; do
    for key in 'HKCU\Software\Wine\Fonts\Replacements' \
               'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'; do
      quietly wine64 reg add "$key" /v "$font" /d "WenQuanYi Micro Hei" /f || return 1
    done
  done
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/" || return 1
  fi
}

# wineboot returns before the prefix's registry is on disk; the server's
# exit writes it.
wineboot_and_wait() {
  wine64 wineboot "$@" && wineserver_wait
}
wineserver_wait() {
  local server
  server=$(type -P wineserver || echo /usr/lib/wine/wineserver)
  [ -x "$server" ] || return 0
  "$server" -w
}

# 32-bit Wine is there and this machine runs 32-bit programs: x86 programs
# run in the 64-bit prefix (WoW64). Some kernels run 64-bit code only.
wine32_ready() { [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; }

# The one line that says why the x86 build is not run.
x86_not_run_reason() {
  cat "$root/build/x86-not-run.txt" 2>/dev/null ||
    echo "x86 not run: 32-bit Wine (wine32:i386) is not installed"
}

# The architectures whose Windows builds can run here: x64, and x86 when
# 32-bit Wine is installed.
runnable_architectures() {
  if wine32_ready; then echo "x64 x86"; else echo "x64"; fi
}

# Never fails: under `set -e` a failing `wineserver -k` (no server running)
# would end the calling script.
stop_wine() {
  if command -v wineserver >/dev/null; then wineserver -k 2>/dev/null || true; fi
  if [ -x /usr/lib/wine/wineserver ]; then /usr/lib/wine/wineserver -k 2>/dev/null || true; fi
  return 0
}

# The value of a variable in a preset's CMake cache: cmake_cache PRESET NAME.
cmake_cache() {
  sed -n "s/^$2:[A-Z]*=//p" "$root/build/$1/CMakeCache.txt"
}

# "VERSION LANGUAGE" of a Windows binary's version resource: its file version
# (four numbers) and the language of its first Translation entry, decimal.
# Fails, saying why, when the binary has none.
version_resource() {
  local file=$1 key language signature fields
  key=$(byte_offset "$(utf16_pattern VS_VERSION_INFO)" "$file" 0)
  [ -n "$key" ] || { echo "$file: no version resource" >&2; return 1; }
  language=$(byte_offset "$(utf16_pattern Translation)" "$file" "$key")
  # The fixed file information follows the key at the block's next 32-bit
  # boundary (key + 34) and starts with the signature 0xFEEF04BD.
  read -r -a fields < <(words_at "$file" $((key + 34)) 8)
  signature="${fields[0]}.${fields[1]}"
  if [ "$signature" != 1213.65263 ] || [ -z "$language" ]; then
    echo "$file: damaged version resource" >&2
    return 1
  fi
  echo "${fields[5]}.${fields[4]}.${fields[7]}.${fields[6]} $(words_at "$file" $((language + 26)) 1)"
}
# A grep -P pattern of TEXT in UTF-16LE with its terminating null.
utf16_pattern() {
  local text=$1 i pattern=
  for ((i = 0; i < ${#text}; i++)); do pattern+="${text:i:1}\\x00"; done
  echo "$pattern\\x00\\x00"
}
# Byte offset of the first match of PATTERN in FILE at or after START.
byte_offset() {
  local found
  found=$(tail -c +$(($3 + 1)) "$2" | LC_ALL=C grep -obUaP -m1 "$1" | head -n1 | cut -d: -f1)
  [ -z "$found" ] || echo $((found + $3))
}
# COUNT unsigned 16-bit little-endian numbers at OFFSET in FILE.
words_at() {
  od -An -tu2 -v -j "$2" -N $(($3 * 2)) "$1" | xargs
}

# Configures and builds a preset: every target, or the targets named.
build_preset() {
  local preset=$1 targets=()
  shift
  [ $# -eq 0 ] || targets=(--target "$@")
  echo "== building $preset${*:+: $*}"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" "${targets[@]}"
}
