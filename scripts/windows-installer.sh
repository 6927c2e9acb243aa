#!/usr/bin/env bash
# Packs the Windows builds for operators and proves the package under Wine.
#
# From build-windows-x86_64 and build-windows-i686 (made by scripts/build-windows.sh) it stages
# the program, the library, its catalogs, the import library and the header, then builds into
# build-windows-dist/:
#   QV-410SettingTool-<version>-x64.msi  QV-410SettingTool-<version>-x86.msi   (wixl)
#   QV-410SettingTool-<version>-x64.zip  QV-410SettingTool-<version>-x86.zip   (portable)
# Both MSIs are unpacked again and compared with what was staged. Each is then installed in a
# fresh Wine prefix of its architecture with no window shown (packaging/windows/install_test.sh):
# files, shortcut and the entry in the installed programs are checked, the installed program is
# started against the simulated printer in Chinese and in English on its own X display, the same
# MSI is installed again (nothing may change), a later version replaces it, an earlier one is
# refused, and removal must leave the prefix as it was; the x86 MSI must also be refused by the
# 64-bit prefix. The x86 install test needs Wine's 32-bit loader: on a machine that runs no
# 32-bit program the x86 MSI is only checked and listed.
#
# Exit status: 0 all passed, 1 a failure, 75 everything passed but the x86 MSI's install test
# could not run here (the reason in one line).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# --- packages -------------------------------------------------------------------------------
packages=(wixl wixl-data msitools zip unzip gettext binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64 xvfb openbox xdotool)
# shellcheck source=scripts/packages.sh
source scripts/packages.sh
mapfile -t missing < <(missing_packages "${packages[@]}")
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq || echo "warning: apt-get update reported errors" >&2
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
fi

version=$(sed -n 's/^project(QV410SettingTool VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
dist=$top/build-windows-dist
mkdir -p "$dist"
wxs=$top/packaging/windows/QV-410SettingTool.wxs

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# --- staging --------------------------------------------------------------------------------
# The staged tree is the installed folder: what the MSI installs (the development files only
# with their feature) and what the zip holds.
stage_tree() {
  local arch=$1 stage=$2
  local build=$top/build-windows-$arch bin=$top/build-windows-$arch/bin
  local strip=$arch-w64-mingw32-strip
  rm -rf "$stage"
  mkdir -p "$stage/include" "$stage/lib"
  local f
  for f in QV-410SettingTool.exe QVSettingToolDll.dll; do
    [ -f "$bin/$f" ] || fail "$arch: $bin/$f is missing (run scripts/build-windows.sh)"
    # Debug information stays in the build tree; the resources (icon, head-test job) stay.
    "$strip" --strip-debug -o "$stage/$f" "$bin/$f"
  done
  local implib
  implib=$(find "$build" -path "$build/installer" -prune -o -name QVSettingToolDll.dll.a -print -quit)
  [ -n "$implib" ] || fail "$arch: no import library QVSettingToolDll.dll.a in $build"
  cp "$implib" "$stage/lib/"
  cp printer_link/include/QVSettingToolDll.h "$stage/include/"
  # The catalogs the build made beside the program, else made here from the same sources.
  local po lang mo
  for po in settings_app/lang/*.po; do
    lang=$(basename "$po" .po)
    mo=Lang/$lang/LC_MESSAGES/PrinterConfig.mo
    mkdir -p "$stage/$(dirname "$mo")"
    if [ -f "$bin/$mo" ] && [ "$bin/$mo" -nt "$po" ]; then
      cp "$bin/$mo" "$stage/$mo"
    else
      msgfmt --check -o "$stage/$mo" "$po"
    fi
  done
}

# Path and SHA-256 of every file under a folder, sorted: what "unchanged" is compared by.
listing() {
  (cd "$1" && find . -type f -print0 | sort -z | xargs -0r sha256sum)
}

# --- MSI and zip ----------------------------------------------------------------------------
# build_msi <arch> <msi arch> <version> <output>
build_msi() {
  local arch=$1 march=$2 ver=$3 out=$4 work=$top/build-windows-$1/installer win64=no
  [ "$march" = x64 ] && win64=yes
  # wixl reads sources relative to the working folder: it refuses absolute paths.
  (cd "$work" &&
    (cd stage && find Lang -type f | sort |
      wixl-heat -p '' --directory-ref INSTALLDIR --component-group Catalogs --var var.StageDir \
        --win64) >catalogs.wxs &&
    wixl -a "$march" -D Arch="$march" -D Win64="$win64" -D Version="$ver" -D StageDir=stage \
      -o "$out" "$wxs" catalogs.wxs) || fail "$arch: wixl could not build $out"
}

# One table of an MSI as tab-separated lines (msiinfo writes CRLF).
table() { msiinfo export "$1" "$2" | tr -d '\r'; }

# The MSI's tables say what it installs where; unpacked, it must hold the staged tree exactly.
check_msi() {
  local arch=$1 march=$2 msi=$3 stage=$4 work=$top/build-windows-$1/installer
  local pe=pei-x86-64 pf=ProgramFiles64Folder template="x64;1033" attr=256
  if [ "$march" = x86 ]; then pe=pei-i386 pf=ProgramFilesFolder template="Intel;1033" attr=0; fi
  rm -rf "$work/unpacked"
  msiextract -C "$work/unpacked" "$msi" >/dev/null
  # (msiextract names the 32-bit Program Files folder, not the 64-bit one.)
  local root
  root=$(find "$work/unpacked" -type d -name 'QV-410 Setting Tool')
  if [ -z "$root" ] || [ "$(wc -l <<<"$root")" != 1 ]; then
    fail "$march MSI: not one program folder: $root"
  fi
  diff <(listing "$stage") <(listing "$root") >&2 ||
    fail "$march MSI: its files differ from the staged tree"
  echo "$(basename "$msi"): $(stat -c %s "$msi") bytes, installs into [$pf]:"
  (cd "$root/.." && find "QV-410 Setting Tool" -type f -printf '  %-60p %9s\n' | LC_ALL=C sort)
  local f
  for f in QV-410SettingTool.exe QVSettingToolDll.dll; do
    "$arch-w64-mingw32-objdump" -f "$stage/$f" | grep >/dev/null "file format $pe\$" || fail "$march MSI: $f is not $pe"
  done
  # The shortcut and the entry show the first icon of the program: it must be its one icon, 128.
  local icons
  # Every reader of a pipe here reads to its end: under pipefail, one that stops early would end
  # the writer with SIGPIPE and the script with 141.
  icons=$("$arch-w64-mingw32-objdump" -p "$stage/QV-410SettingTool.exe" |
    awk '/^[0-9a-f]+   Entry: ID: 0x00000e,/ && !done {group = 1; next}
         group && /Name Table/ {n = $NF; next}
         group && /Entry: ID:/ {print n, $4; group = 0; done = 1}')
  [ "$icons" = "1 0x000080," ] || fail "$march MSI: the program's icon groups are not just 128 ($icons)"
  msiinfo suminfo "$msi" | grep >/dev/null -x "Template: $template" ||
    fail "$march MSI: summary template is not $template"
  table "$msi" Directory | grep >/dev/null "^$pf	" || fail "$march MSI: not under $pf"
  # Every component in the 64-bit registry and file views for x64, none for x86.
  local bad
  bad=$(table "$msi" Component | tail -n +4 | awk -F'\t' -v a="$attr" '$4 != a')
  [ -z "$bad" ] || fail "$march MSI: components with other attributes than $attr: $bad"
  local props
  props=$(table "$msi" Property)
  grep -qx "ProductVersion	$version" <<<"$props" || fail "$march MSI: version is not $version"
  grep -qx "UpgradeCode	{$upgrade_code}" <<<"$props" || fail "$march MSI: wrong UpgradeCode"
  grep -qx "ALLUSERS	1" <<<"$props" || fail "$march MSI: not per machine"
  # Only the x86 package refuses 64-bit Windows.
  local refuses64=no
  table "$msi" LaunchCondition | grep >/dev/null '^NOT VersionNT64	' && refuses64=yes
  [ "$refuses64" = "$([ "$march" = x86 ] && echo yes || echo no)" ] ||
    fail "$march MSI: refuses 64-bit Windows: $refuses64"
  # The development files: a feature above the default install level, so off unless asked for.
  table "$msi" Feature | awk -F'\t' '$1 == "Development" && $6 > 1 {ok = 1} END {exit !ok}' ||
    fail "$march MSI: the Development feature is not off by default"
}

upgrade_code=$(sed -n 's/.*UpgradeCode="\([0-9A-F-]*\)".*/\1/p' "$wxs")

declare -A msi_arch=([x86_64]=x64 [i686]=x86)
for arch in x86_64 i686; do
  march=${msi_arch[$arch]}
  work=$top/build-windows-$arch/installer
  mkdir -p "$work"
  stage_tree "$arch" "$work/stage"
  msi=$dist/QV-410SettingTool-$version-$march.msi
  zipfile=$dist/QV-410SettingTool-$version-$march.zip
  echo "== $march MSI and zip =="
  rm -f "$msi" "$zipfile"
  build_msi "$arch" "$march" "$version" "$msi"
  check_msi "$arch" "$march" "$msi" "$work/stage"
  # The zip unpacks to one folder that runs where it lies, development files included.
  rm -rf "$work/zip"
  mkdir -p "$work/zip"
  cp -a "$work/stage" "$work/zip/QV-410 Setting Tool"
  (cd "$work/zip" && zip -q -r -X "$zipfile" "QV-410 Setting Tool")
  rm -rf "$work/unzipped"
  unzip -q "$zipfile" -d "$work/unzipped"
  diff <(listing "$work/stage") <(listing "$work/unzipped/QV-410 Setting Tool") >&2 ||
    fail "$march zip: its files differ from the staged tree"
  echo "$(basename "$zipfile"): $(stat -c %s "$zipfile") bytes"
done

# --- install tests under Wine ---------------------------------------------------------------
# shellcheck source=scripts/wine.sh
source scripts/wine.sh
use_wine "$top/build-windows-deps/wine-bin"
# Each package also as a later version (never shipped), to prove that it replaces this one.
later_version=${version%.*}.$((${version##*.} + 1))
for arch in x86_64 i686; do
  build_msi "$arch" "${msi_arch[$arch]}" "$later_version" \
    "$top/build-windows-$arch/installer/upgrade-test-$later_version.msi"
done
install_test() {
  local arch=$1 work=$top/build-windows-$1/installer
  shift
  bash "$top/packaging/windows/install_test.sh" "${msi_arch[$arch]}" \
    "$dist/QV-410SettingTool-$version-${msi_arch[$arch]}.msi" \
    "$work/upgrade-test-$later_version.msi" "$work/stage" "$work/test" "$@"
}
install_test x86_64 "$dist/QV-410SettingTool-$version-x86.msi"
if ! wine32_runs; then
  echo "Windows installers and zips in $dist; the x64 MSI passed its install test under Wine."
  echo "NOT TESTED: the x86 MSI's install test ($wine32_reason)" >&2
  exit 75
fi
install_test i686
echo "Windows installers and zips in $dist; the x64 and x86 MSIs passed their install tests under Wine."
