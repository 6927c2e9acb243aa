#!/usr/bin/env bash
# The Windows figures under Wine, in one run on this machine (not a test: it prints figures):
#
#   bench/windows/run-under-wine.sh [BUILD_DIR] [ITERATIONS]   (default build-windows-x86_64, 10)
#
# in a fresh prefix on its own Xvfb with openbox, as the end-to-end cases run. The programs are
# timed as the installer ships them: copies without their debug information (which Wine would
# otherwise read in with each start). The two floor programs, started in the same turns, say how
# much of the start-up any build of the settings program spends on what it must do.
#
#   bench/windows/run-under-wine.sh --compare NEW_EXE OLD_EXE [ITERATIONS]
#
# times two builds of the program against each other instead (NEW in the program's slot, OLD in
# the yardstick's; both close on WM_CLOSE with 2; the "ratio" is then NEW over OLD): on a loaded machine the two programs' figures
# from separate runs differ by more than a start-up change, alternating starts in one run do not.
set -uo pipefail
compare=()
if [ "${1:-}" = --compare ]; then
    [ $# -ge 3 ] || { echo "usage: $0 --compare NEW_EXE OLD_EXE [ITERATIONS]" >&2; exit 2; }
    compare=("$(realpath "$2")" "$(realpath "$3")")
    shift 3
    set -- "" "$@"  # the bench program from the default build
fi
cd "$(dirname "$0")/../.." || exit 1
top=$PWD
build=$(cd "${1:-build-windows-x86_64}" && pwd) || exit 1
iterations=${2:-10}
bin=$build/bin
programs=(QV-410SettingTool.exe minimal_win32_dialog.exe startup_floor_dialog.exe
    main_template_floor_dialog.exe)
for f in "${programs[@]}" QVSettingToolDll.dll windows_app_bench.exe; do
    [ -f "$bin/$f" ] || { echo "no $bin/$f: build it first" >&2; exit 1; }
done
# Our own `wine`, which starts the loader that runs here (Debian's cannot start at all where
# 32-bit programs are refused).
# shellcheck source=scripts/wine.sh
source "$top/scripts/wine.sh"
use_wine "$top/build-windows-deps/wine-bin"
# shellcheck source=settings_app/tests/e2e-wine/wine_session.sh
source "$top/settings_app/tests/e2e-wine/wine_session.sh"
work=$(mktemp -d)
trap 'session_stop; rm -rf "$work"' EXIT
shipped=$work/shipped
mkdir -p "$shipped"
cp -r "$bin/Lang" "$shipped/"
strip=$(grep -m1 '^CMAKE_STRIP:' "$build/CMakeCache.txt" | cut -d= -f2)
for f in "${programs[@]}" QVSettingToolDll.dll; do
    "${strip:-x86_64-w64-mingw32-strip}" --strip-debug -o "$shipped/$f" "$bin/$f" || exit 1
done
session_start "$work"
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $(wine --version)"
if [ "${#compare[@]}" -eq 2 ]; then
    echo "comparing: program slot = ${compare[0]}, yardstick slot = ${compare[1]}"
    wine "$bin/windows_app_bench.exe" "$(windows_path "${compare[0]}")" \
        "$(windows_path "${compare[1]}")" "$iterations"
else
    wine "$bin/windows_app_bench.exe" "$(windows_path "$shipped/QV-410SettingTool.exe")" \
        "$(windows_path "$shipped/minimal_win32_dialog.exe")" "$iterations" \
        "$(windows_path "$shipped/startup_floor_dialog.exe")" \
        "$(windows_path "$shipped/main_template_floor_dialog.exe")"
fi
