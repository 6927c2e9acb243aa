#!/usr/bin/env bash
# The Windows figures under Wine, in one run on this machine (not a test: it prints figures):
#
#   bench/windows/run-under-wine.sh [BUILD_DIR] [ITERATIONS]   (default build-windows-x86_64, 10)
#
# in a fresh prefix on its own Xvfb with openbox, as the end-to-end cases run.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
top=$PWD
build=$(cd "${1:-build-windows-x86_64}" && pwd) || exit 1
iterations=${2:-10}
bin=$build/bin
for f in QV-410SettingTool.exe minimal_win32_dialog.exe windows_app_bench.exe; do
    [ -f "$bin/$f" ] || { echo "no $bin/$f: build it first" >&2; exit 1; }
done
# shellcheck source=settings_app/tests/e2e-wine/wine_session.sh
source "$top/settings_app/tests/e2e-wine/wine_session.sh"
work=$(mktemp -d)
trap 'session_stop; rm -rf "$work"' EXIT
session_start "$work"
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $(wine --version)"
wine "$bin/windows_app_bench.exe" "$(windows_path "$bin/QV-410SettingTool.exe")" \
    "$(windows_path "$bin/minimal_win32_dialog.exe")" "$iterations"
