#!/usr/bin/env bash
# Builds QVSettingToolDll.dll, QV-410SettingTool.exe beside it and their tests for 32-bit (i686)
# and 64-bit (x86_64) Windows with MinGW-w64 and runs the tests under Wine, the dialog tests on a
# private Xvfb display. Installs what is missing first (cross compilers, Wine with its 32-bit
# half, the pieces to fetch and build libintl, the X server and the CJK font the tests use).
#
# Exit status: 0 when everything was built and every test of both architectures passed; 1 on a
# failure; 75 when everything was built and passed, except that Wine could not run the programs
# of an architecture here (their export and import tables were still checked). Where Wine's
# 32-bit loader runs, the i686 tests and the x86 MSI's install test are required like the
# x86_64 ones; 75 is for machines that refuse 32-bit programs. With QV410_WINDOWS_SUMMARY set to
# a file, it writes there which architectures were run under Wine and which were only built,
# one line each.
#
# libintl comes from Debian's gettext source package, fetched with apt-get source through a
# private sources list and built statically per architecture; both are kept in
# build-windows-deps/, so a second run skips them.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

jobs=2
arches=(i686 x86_64)
deps=$top/build-windows-deps
mkdir -p "$deps"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# --- packages -------------------------------------------------------------------------------
packages=(
  cmake make g++ gettext libgtest-dev dpkg-dev xz-utils ca-certificates
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64 wine32:i386
  xvfb xauth fonts-noto-cjk fonts-wine
  # The program's end-to-end cases and screenshots: a window manager, input, and the screen
  # read back.
  x11-utils xdotool openbox imagemagick
)
# shellcheck source=scripts/packages.sh
source scripts/packages.sh
mapfile -t missing < <(missing_packages "${packages[@]}")
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  # The 32-bit Wine needs the i386 half of the archive.
  if ! dpkg --print-foreign-architectures | grep >/dev/null -x i386; then
    $SUDO dpkg --add-architecture i386
  fi
  # A mirror caught mid-sync fails one index or another; the install below says whether what
  # we need was among them.
  $SUDO apt-get update -qq || echo "warning: apt-get update reported errors" >&2
  # The 32-bit Wine on its own: when the i386 archive is out of step with the installed amd64
  # libraries it cannot go in, and everything else should still be built and tested.
  others=()
  for p in "${missing[@]}"; do [ "$p" = wine32:i386 ] || others+=("$p"); done
  if [ "${#others[@]}" -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends \
      "${others[@]}" >/dev/null
  fi
  if [ "${#others[@]}" -ne "${#missing[@]}" ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends \
      wine32:i386 >/dev/null || echo "warning: wine32:i386 could not be installed" >&2
  fi
fi

# --- libintl --------------------------------------------------------------------------------
# The gettext source, fetched once through a private sources list (no change to the machine's).
fetch_gettext_source() {
  local apt=$deps/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$deps/src"
  cat >"$apt/sources.list" <<'EOF'
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
EOF
  local opts=(
    -o "Dir::Etc::SourceList=$apt/sources.list"
    -o "Dir::Etc::SourceParts=-"
    -o "Dir::State::Lists=$apt/lists"
    -o "Dir::Cache=$apt/cache"
    -o "APT::Sandbox::User=root"
  )
  apt-get "${opts[@]}" update -qq
  (cd "$deps/src" && apt-get "${opts[@]}" source -qq gettext >/dev/null)
}

gettext_dir() {
  find "$deps/src" -maxdepth 1 -mindepth 1 -type d -name 'gettext-*' | sort | sed -n 1p
}

# Our changes to libintl, applied to the unpacked source once; the library is built again
# whenever they change.
libintl_patches=(scripts/patches/libintl-*.patch)

build_libintl() {
  local arch=$1 prefix=$deps/libintl-$1
  local stamp
  stamp=$(cat "${libintl_patches[@]}" | sha256sum | cut -d' ' -f1)
  [ -f "$prefix/lib/libintl.a" ] && [ -f "$prefix/include/libintl.h" ] &&
    [ "$(cat "$prefix/patches.sha256" 2>/dev/null)" = "$stamp" ] && return 0
  [ -n "$(gettext_dir)" ] || fetch_gettext_source
  local src patch
  src=$(gettext_dir)
  for patch in "${libintl_patches[@]}"; do
    # Already applied when it reverses cleanly.
    patch -d "$src" -p1 -R -s -f --dry-run <"$patch" >/dev/null 2>&1 && continue
    patch -d "$src" -p1 -s -f --forward --no-backup-if-mismatch <"$patch" || {
      echo "libintl: $patch does not apply to $(basename "$src");" \
        "remove $deps/src to unpack the source afresh" >&2
      exit 1
    }
  done
  # The unpacked patches leave some autotools inputs newer than their outputs; one timestamp for
  # every file keeps make from wanting to regenerate them.
  find "$src" -exec touch -h -d '2000-01-01 00:00:00' {} +
  local work=$deps/libintl-build-$arch
  rm -rf "$work" "$prefix"
  mkdir -p "$work"
  echo "== libintl for $arch (from $(basename "$src")) =="
  # Only the runtime's intl/ is needed: a static libintl without iconv (catalogs are UTF-8).
  (cd "$work" &&
    "$src/gettext-runtime/configure" --host="$arch-w64-mingw32" --prefix="$prefix" \
      --enable-static --disable-shared --disable-java --disable-csharp --disable-libasprintf \
      --without-libiconv-prefix --without-libintl-prefix --disable-rpath \
      CC="$arch-w64-mingw32-gcc-posix" CFLAGS="-O2" >configure.log 2>&1 &&
    make -C intl -j"$jobs" >make.log 2>&1 &&
    make -C intl install >install.log 2>&1) || {
    echo "libintl build for $arch failed; logs in $work" >&2
    exit 1
  }
  echo "$stamp" >"$prefix/patches.sha256"
}

# --- host tool ------------------------------------------------------------------------------
# The head-test job is generated at build time by a program that must run on this machine.
generator=$deps/host/head_test_job_generator
build_host_generator() {
  local source=printer_link/head_test/generate_head_test_job.cpp
  [ -x "$generator" ] && [ "$generator" -nt "$source" ] && return 0
  mkdir -p "$(dirname "$generator")"
  g++ -std=c++20 -O2 -Wall -Wextra -Werror -o "$generator" "$source"
}

# --- Wine -----------------------------------------------------------------------------------
# Our own `wine`, which starts the loader that runs here (scripts/wine.sh).
# shellcheck source=scripts/wine.sh
source scripts/wine.sh
use_wine "$deps/wine-bin"
if wine32_runs; then
  echo "Wine: the 32-bit loader runs here; both architectures are tested"
else
  echo "Wine: 64-bit loader only ($wine32_reason)"
fi
# Every Wine process of the run under one locale: Wine rewrites the prefix's font substitutes
# (below) whenever the ANSI code page changes from one process to the next. The tests choose
# their language inside the process.
export LANG=en_US.UTF-8
unset LC_ALL
export WINEDEBUG=-all
export WINEPREFIX=$deps/wineprefix WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts in a fresh prefix
# The dialogs need an X display: a private one, so that nothing on the user's screen moves.
xvfb_pid=""
wm_pid=""
start_display() {
  local fifo number=""
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 30 number <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$number" ]; then
    echo "Xvfb did not start" >&2
    exit 1
  fi
  export DISPLAY=":$number"
  # The dialog tests need a window manager: without one a modal window is never activated
  # under Wine, and a test that waits for it to be shown waits for ever.
  openbox >/dev/null 2>&1 &
  wm_pid=$!
}
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$wm_pid" ]; then kill "$wm_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
start_display
# One server for all the test processes of this run (one may still linger from the last).
wineserver -p 60 2>/dev/null || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== Wine prefix =="
  wineboot -i >/dev/null 2>&1 || true
fi
# Fonts as the operator's Windows has them (scripts/wine.sh); the server restarted to read them.
wine_prefix_fonts "Noto Sans CJK SC" ||
  echo "warning: the dialog fonts could not be set up in the Wine prefix" >&2
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p 60 2>/dev/null || true
# The prefix's services start with the first process and keep its output open: started here with
# none, they cannot hold the pipe of a later test listing open.
timeout 120 wineboot </dev/null >/dev/null 2>&1 || true

# Wine that cannot start a program of this architecture says so in words (on standard output
# too) and may still exit with 0: only a real test list counts as "Wine runs this architecture".
# Otherwise wine_reason holds the first line of what Wine said.
wine_reason=""
wine_runs() {
  local listing status=0
  # (The C runtime under Wine ends its lines with CR LF.)
  listing=$(timeout 120 wine "$1/bin/printer_link_tests.exe" --gtest_list_tests 2>&1 | tr -d '\r') ||
    status=$?
  if [ "$status" -eq 0 ] && grep -qE '^[A-Za-z_][A-Za-z0-9_/]*\.$' <<<"$listing" &&
    grep -qE '^  [A-Za-z_]' <<<"$listing"; then
    return 0
  fi
  wine_reason=$(grep -m1 -v '^[[:space:]]*$' <<<"$listing" || true)
  [ -n "$wine_reason" ] || wine_reason="wine exited with $status and listed no tests"
  return 1
}

failed=()
untested=()
ran=()
built_only=()
build_host_generator
for arch in "${arches[@]}"; do
  build_libintl "$arch"
  build=build-windows-$arch
  echo "== $arch build =="
  cmake -S . -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQV410_BUILD_APP=ON -DQV410_BUILD_BENCH=OFF -DQV410_WERROR=ON \
    -DQV410_LIBINTL_PREFIX="$deps/libintl-$arch" \
    -DQV410_HEAD_TEST_GENERATOR="$generator" \
    -DQV410_GTEST_SOURCE_DIR=/usr/src/googletest >/dev/null
  cmake --build "$build" -j"$jobs"
  echo "== $arch tests under Wine =="
  if ! wine_runs "$build"; then
    if [ "$arch" = i686 ] && wine32_runs; then
      # The loader runs 32-bit programs here: ours not running is a fault of ours.
      failed+=("i686: Wine runs 32-bit programs here but not the tests: $wine_reason")
      continue
    fi
    untested+=("$arch: $wine_reason")
    built_only+=("$arch ($wine_reason)")
    # What needs no Wine still runs: the export and import tables of the DLL and the program,
    # checked directly (ctest would first ask Wine for the lists of the tests it cannot run).
    objdump=$arch-w64-mingw32-objdump
    cmake -DOBJDUMP="$objdump" -DDLL="$build/bin/QVSettingToolDll.dll" \
      -P printer_link/tests/check_dll_tables.cmake || failed+=("$arch: DLL tables")
    cmake -DOBJDUMP="$objdump" -DEXE="$build/bin/QV-410SettingTool.exe" \
      -P settings_app/tests/check_exe_imports.cmake || failed+=("$arch: program imports")
    continue
  fi
  # (pipefail: ctest's status, not tee's.)
  if ! (cd "$build" && ctest -j"$jobs" --output-on-failure --timeout 300) 2>&1 |
    tee "$build/ctest.log"; then
    failed+=("$arch: tests")
  fi
  ran+=("$arch ($(grep -m1 -o '[0-9]*% tests passed.*' "$build/ctest.log" | tr -d '\r' || true))")
done

summary() {
  [ -n "${QV410_WINDOWS_SUMMARY:-}" ] || return 0
  {
    echo "Windows, run under Wine: ${ran[*]:-none}"
    echo "Windows, only built (tables checked): ${built_only[*]:-none}"
  } >"$QV410_WINDOWS_SUMMARY"
}
summary

if [ "${#failed[@]}" -gt 0 ]; then
  echo "FAILED: ${failed[*]}" >&2
  exit 1
fi
# The MSIs and zips, and their install tests under Wine (x86 only where 32-bit programs run).
status=0
bash scripts/windows-installer.sh || status=$?
if [ "$status" -eq 75 ] && ! wine32_runs; then
  ran=("${ran[@]/#x86_64 (/x86_64 (x64 MSI install test, }")
  built_only=("${built_only[@]/#i686 (/i686 (no x86 MSI install test, }")
elif [ "$status" -ne 0 ]; then
  echo "FAILED: the installers (windows-installer.sh ended with $status)" >&2
  exit 1
else
  ran=("${ran[@]/#x86_64 (/x86_64 (x64 MSI install test, }")
  ran=("${ran[@]/#i686 (/i686 (x86 MSI install test, }")
fi
summary
# Built and their tables checked, but Wine could not run their tests: a distinct status, so a
# caller can tell this from a failure and from a full pass. One line, in Wine's own words.
if [ "${#untested[@]}" -gt 0 ]; then
  echo "NOT TESTED under Wine (built, tables checked): ${untested[*]}" >&2
  exit 75
fi
echo "Both architectures built; every test passed under Wine."
