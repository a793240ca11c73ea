#!/usr/bin/env bash
# Benchmark, run by hand: opening the real manage dialog under Wine on a
# virtual display, x64 and x86 (when 32-bit Wine is there), for tables of
# 4, 1000 and 32767 records or the counts given.
set -euo pipefail
source "$(dirname "$0")/common.sh"
trap stop_wine EXIT
"$root/scripts/install-deps.sh"
cd "$root"
read -r -a architectures <<<"$(runnable_architectures)"
for arch in "${architectures[@]}"; do
  build_preset "$([ "$arch" = x64 ] && echo win64 || echo win32)" manage_dialog_bench
done
wine_prefix_ready
stop_wine  # a running wineserver would keep its display-less driver
for arch in "${architectures[@]}"; do
  xvfb-run -a -s "-screen 0 1024x768x24" \
    wine64 "build/$([ "$arch" = x64 ] && echo win64 || echo win32)/bench/manage_dialog_bench.exe" "$@"
  stop_wine
done
wine32_ready || echo "== $(x86_not_run_reason)"
