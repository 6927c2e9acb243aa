#!/usr/bin/env bash
# Installs the build into a staging prefix and checks what a packager and a user see: the layout,
# the library's SONAME, the catalogs found by the installed programs (relative to their folder,
# so a staged tree runs where it lies), and consumers through pkg-config and the CMake package.
#
#   install_test.sh BUILD_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage="$work/stage"

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_file() { [ -f "$stage/$1" ] || fail "missing $1"; }
expect_contains() {  # text, wanted, what
    case "$1" in *"$2"*) ;; *) fail "$3: expected '$2' in: $1" ;; esac
}

cmake --install "$build" --prefix "$stage" >/dev/null

# --- layout -----------------------------------------------------------------------------------
libs=("$stage"/lib/*/libQVSettingToolDll.so.1)
[ "${#libs[@]}" -eq 1 ] && [ -e "${libs[0]}" ] || fail "no lib/<multiarch>/libQVSettingToolDll.so.1"
libdir=$(dirname "${libs[0]}")
multiarch=$(basename "$libdir")
[ "$multiarch" != lib ] || fail "library not in a multiarch folder"
[ "$(readlink "$libdir/libQVSettingToolDll.so")" = libQVSettingToolDll.so.1 ] ||
    fail "development symlink does not point at the SONAME file"
soname=$(readelf -d "${libs[0]}" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = libQVSettingToolDll.so.1 ] || fail "SONAME is '$soname'"

for f in bin/QV-410SettingTool bin/qv410 include/QVSettingToolDll.h \
    "lib/$multiarch/pkgconfig/qv410.pc" \
    "lib/$multiarch/cmake/QVSettingToolDll/QVSettingToolDllConfig.cmake" \
    "lib/$multiarch/cmake/QVSettingToolDll/QVSettingToolDllConfigVersion.cmake" \
    share/locale/en/LC_MESSAGES/PrinterConfig.mo share/locale/zh_CN/LC_MESSAGES/PrinterConfig.mo \
    share/applications/QV-410SettingTool.desktop \
    share/icons/hicolor/48x48/apps/QV-410SettingTool.png \
    share/icons/hicolor/scalable/apps/QV-410SettingTool.svg \
    share/man/man1/qv410.1.gz share/bash-completion/completions/qv410 \
    share/man/man1/QV-410SettingTool.1.gz share/doc/qv410/README.md.gz \
    share/metainfo/org.qv410.settingtool.metainfo.xml \
    lib/udev/rules.d/60-qv410.rules \
    lib/systemd/system/qv410-metrics.service lib/systemd/system/qv410-metrics.timer; do
    expect_file "$f"
done
[ ! -e "$stage/bin/qv410-pty-printer" ] || fail "the test printer tool is installed by default"
[ ! -e "$stage/bin/Lang" ] || fail "Lang/ installed beside the programs"

expect_contains "$(file "$stage/share/icons/hicolor/48x48/apps/QV-410SettingTool.png")" \
    "PNG image data, 48 x 48" "icon"
grep -q '<svg' "$stage/share/icons/hicolor/scalable/apps/QV-410SettingTool.svg" || fail "svg icon"
grep -q '^Icon=QV-410SettingTool$' "$stage/share/applications/QV-410SettingTool.desktop" ||
    fail "desktop entry names another icon"
grep -q '^Exec=QV-410SettingTool$' "$stage/share/applications/QV-410SettingTool.desktop" ||
    fail "desktop entry starts another program"
zcat "$stage/share/man/man1/qv410.1.gz" | grep >/dev/null '^\.TH QV410 1 ' || fail "manual page"
bash -c "complete() { echo \"\$*\"; }; source '$stage/share/bash-completion/completions/qv410'" |
    grep -q -- '-F _qv410 qv410' || fail "completion does not register for qv410"
doc="$work/qv410-README.md"
zcat "$stage/share/doc/qv410/README.md.gz" >"$doc"
for heading in '## qv410, the command-line tool' '### JSON output' '### Exit status' \
    '## Printer access without root: the udev rule'; do
    grep -qxF "$heading" "$doc" || fail "qv410's README lacks '$heading'"
done
! grep -q 'build/bin/' "$doc" || fail "qv410's README points into a build folder"
rule=$(grep -v '^#' "$stage/lib/udev/rules.d/60-qv410.rules")
for part in 'SUBSYSTEM=="usbmisc"' 'ATTRS{idVendor}=="0fe6"' 'ATTRS{idProduct}=="811e"' \
    'TAG+="uaccess"' 'GROUP="lp"'; do
    expect_contains "$rule" "$part" "udev rule"
done

# --- the installed programs find the library and the catalogs of the prefix -----------------------
out=$(LC_ALL=zh_CN.UTF-8 LANGUAGE= "$stage/bin/qv410" --simulator check)
[ "$out" = "连接测试成功。" ] || fail "installed qv410 in Chinese said: $out"
out=$(LC_ALL=C LANGUAGE= "$stage/bin/qv410" --simulator check)
[ "$out" = "Connection test succeeded." ] || fail "installed qv410 in English said: $out"
# The dialog program starts from the installed tree and opens the prefix's Chinese catalog;
# SIGTERM closes it like the close box (2).
program=("$stage/bin/QV-410SettingTool")
trace=""
if strace -o /dev/null true 2>/dev/null; then
    trace="$work/program.trace"
    program=(strace -f -e trace=openat -o "$trace" "${program[@]}")
else
    echo "note: strace cannot trace here; not checking which catalog the program opens"
fi
status=0
LC_ALL=zh_CN.UTF-8 LANGUAGE= QT_QPA_PLATFORM=offscreen QV410_DEVICE=simulator \
    QV410_SHOW=minimized timeout --preserve-status -s TERM 2 "${program[@]}" >/dev/null 2>&1 ||
    status=$?
[ "$status" -eq 2 ] || fail "installed QV-410SettingTool ended with $status"
if [ -n "$trace" ]; then
    grep -E "\"$stage/bin/\.\./share/locale/+zh_CN/LC_MESSAGES/PrinterConfig\.mo\", O_RDONLY\) = [0-9]" \
        "$trace" >/dev/null || fail "installed QV-410SettingTool did not open the prefix's catalog"
fi

# --- consumers ----------------------------------------------------------------------------------
export PKG_CONFIG_PATH="$libdir/pkgconfig"
[ "$(pkg-config --modversion qv410)" = "$(sed -n 's/^qv410 //p' <<<"$("$stage/bin/qv410" --version)")" ] ||
    fail "pkg-config version differs from the tool's"
# shellcheck disable=SC2046
cc -Wall -Werror -o "$work/consumer-pc" "$here/consumer.c" $(pkg-config --cflags --libs qv410) \
    -Wl,-rpath,"$(pkg-config --variable=libdir qv410)"
[ "$("$work/consumer-pc")" = "QV-410" ] || fail "pkg-config consumer"

mkdir "$work/cmake-consumer"
cp "$here/consumer.c" "$work/cmake-consumer/"
cp "$here/CMakeLists.txt.in" "$work/cmake-consumer/CMakeLists.txt"
cmake -S "$work/cmake-consumer" -B "$work/cmake-consumer/build" -DCMAKE_PREFIX_PATH="$stage" \
    >/dev/null
cmake --build "$work/cmake-consumer/build" >/dev/null
[ "$("$work/cmake-consumer/build/consumer")" = "QV-410" ] || fail "CMake package consumer"

echo "staging install test passed ($multiarch)"
