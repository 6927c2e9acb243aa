#!/usr/bin/env bash
# Installs an MSI in a fresh Wine prefix of its architecture (64-bit for x64, 32-bit for x86) with
# no window shown (/qn) and checks what an operator and an administrator rely on: the files and
# the shortcut, the entry in the installed programs, the installed program starting in Chinese
# and in English against the simulated printer and closing with 2 on Escape, a second install of
# the same MSI changing nothing, a later version replacing it, an earlier one refused, the
# development feature installed only when asked for, and removal leaving the prefix as it found
# it. For x64, the x86 package given last must be refused on that 64-bit Windows.
#
# Registry values are read in the view of the package's architecture (reg /reg:64 or /reg:32):
# which reg.exe the `wine` command starts must not decide what is found.
#
# Usage: install_test.sh x64|x86 <msi> <the same built as a later version> <staged tree>
#                        <work folder> [<x86 msi, for x64>]
set -euo pipefail
arch=$1
case "$arch" in
x64) wine_arch=win64 view=/reg:64 ;;
x86) wine_arch=win32 view=/reg:32 ;;
*)
  echo "install_test.sh: architecture x64 or x86, not '$arch'" >&2
  exit 64
  ;;
esac
msi=$(realpath "$2")
later_msi=$(realpath "$3")
stage=$(realpath "$4")
work=$5
x86_msi=""
if [ "$arch" = x64 ]; then
  [ -n "${6:-}" ] || { echo "install_test.sh: x64 needs the x86 MSI it must refuse" >&2; exit 64; }
  x86_msi=$(realpath "$6")
fi
top=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$work"
work=$(realpath "$work")
# shellcheck source=scripts/wine.sh
source "$top/scripts/wine.sh"
use_wine "$work/wine-bin"
if [ "$arch" = x86 ] && ! wine32_runs; then
  echo "FAILED (install test, x86): a 32-bit Wine prefix needs the 32-bit loader: $wine32_reason" >&2
  exit 1
fi

fail() {
  echo "FAILED (install test, $arch): $*" >&2
  exit 1
}
property() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' -v p="$2" '$1 == p {print $2}'; }
# The caption the main dialog has in a catalog: the message's text, a space, then " v" and the
# version (two spaces, as the dialog tests of both backends pin).
caption() {
  local text
  text=$(msgcat --no-wrap "$top/settings_app/lang/$1.po" |
    awk '$0 == "msgid \"PO_GSTR_MAIN_DLG_CAPTION\"" {getline; sub(/^msgstr "/, ""); sub(/"$/, ""); print}')
  [ -n "$text" ] || fail "no main dialog caption in $1.po"
  printf '%s  v%s\n' "$text" "$(property "$msi" ProductVersion)"
}

version=$(property "$msi" ProductVersion)
later_version=$(property "$later_msi" ProductVersion)
product=$(property "$msi" ProductCode)
later_product=$(property "$later_msi" ProductCode)
upgrade=$(property "$msi" UpgradeCode)
[ "$(property "$later_msi" UpgradeCode)" = "$upgrade" ] || fail "the later MSI has another UpgradeCode"
[ "$product" != "$later_product" ] || fail "the later MSI has the same ProductCode"

# Windows Installer keeps GUIDs in its registry keys "packed": each of the first three groups
# reversed, then each byte of the rest with its two digits swapped.
packed() {
  local g=${1//[\{\}-]/} out="" i
  out+=$(rev <<<"${g:0:8}")$(rev <<<"${g:8:4}")$(rev <<<"${g:12:4}")
  for ((i = 16; i < 32; i += 2)); do out+=${g:i+1:1}${g:i:1}; done
  printf '%s\n' "$out"
}

export WINEPREFIX=$work/wineprefix WINEARCH=$wine_arch WINEDEBUG=-all
# No Mono or Gecko prompts, and no menu entries or file types written outside the prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset LANGUAGE
export LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8

xvfb_pid="" openbox_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$openbox_pid" ] || kill "$openbox_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

started=$SECONDS
echo "== install test ($arch): fresh $wine_arch Wine prefix, $(basename "$wine_loader") loader =="
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || true
[ -d "$WINEPREFIX/drive_c/windows/system32" ] || fail "wineboot made no prefix"
c=$WINEPREFIX/drive_c
installed="$c/Program Files/QV-410 Setting Tool"
exe_win='C:\Program Files\QV-410 Setting Tool\QV-410SettingTool.exe'
arp='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# Every file of the prefix's drive (path, and content for ours), every registry key: the state
# that removal must restore. Wine's own bookkeeping of its start-up is not ours.
prefix_files() {
  (cd "$c" && find . -path ./windows/temp -prune -o -path './users/*/Temp' -prune -o -print |
    LC_ALL=C sort)
}
registry_keys() {
  wineserver -k 2>/dev/null || true
  wineserver -w
  cat "$WINEPREFIX"/system.reg "$WINEPREFIX"/user.reg | tr -d '\r' |
    sed -n 's/^\(\[.*\]\) [0-9]*$/\1/p' | LC_ALL=C sort
}
msiexec() {
  local rc=0
  wine msiexec "$@" >/dev/null 2>&1 || rc=$?
  echo "$rc"
}
reg_value() {
  wine reg query "$1" /v "$2" "$view" 2>/dev/null | tr -d '\r' |
    awk -v n="$2" '!done && $1 == n {sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]+/, ""); print; done = 1}'
}
shortcuts() {
  find "$c/ProgramData/Microsoft/Windows/Start Menu" "$c/users" -name 'QV-410 Setting Tool.lnk' \
    2>/dev/null || true
}
# Our files with their contents, the shortcut, the installer's copy of the icon, the entry in
# the installed programs: what a second install of the same MSI must leave exactly as it was.
ours() {
  listing_of() { [ -d "$1" ] && (cd "$1" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0r sha256sum); }
  echo "# installed"
  listing_of "$installed" || true
  # The shortcut by what it says (target, folder, description, icon): its item list also
  # carries the folders' times as the file system reports them, which are not ours.
  echo "# shortcut"
  shortcuts | while read -r f; do echo "$f" && strings -e l "$f"; done
  echo "# installer cache"
  listing_of "$c/windows/Installer/$product" || true
  echo "# entry"
  wine reg query "$arp\\$product" "$view" 2>/dev/null | tr -d '\r' | grep -v '^$' || true
}

files_before=$(prefix_files)
keys_before=$(registry_keys)

# The x86 package is for 32-bit Windows only: on 64-bit Windows it must refuse and leave nothing.
if [ -n "$x86_msi" ]; then
  rc=$(msiexec /i "$x86_msi" /qn)
  [ "$rc" != 0 ] || fail "the x86 MSI installed on 64-bit Windows"
  diff <(echo "$files_before") <(prefix_files | grep -vx './windows/Installer') >&2 ||
    fail "the refused x86 MSI changed the prefix's files"
  echo "x86 MSI on 64-bit Windows: refused ($rc)"
fi

echo "== install test ($arch): install $(basename "$msi") (/qn) =="
rc=$(msiexec /i "$msi" /qn)
[ "$rc" = 0 ] || fail "msiexec /i ended with $rc"

# The files: the staged tree, less the development feature, byte for byte.
expected=$(cd "$stage" && find . -type f ! -path './include/*' ! -path './lib/*' -print0 |
  LC_ALL=C sort -z | xargs -0r sha256sum)
actual=$(cd "$installed" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0r sha256sum)
diff <(echo "$expected") <(echo "$actual") >&2 || fail "the installed files differ from the staged ones"
langs=$(cd "$installed/Lang" && ls)
echo "installed: $(wc -l <<<"$actual") files, catalogs for ${langs//$'\n'/ }"

# The shortcut: one, starting the installed program, with the icon the installer keeps for it.
# (Windows puts a per-machine shortcut in the common Start menu; Wine's installer in the
# user's. Either is the Start menu.)
mapfile -t links < <(shortcuts)
[ "${#links[@]}" = 1 ] || fail "expected one Start-menu shortcut, found ${#links[@]}: ${links[*]}"
link_text=$(strings -e l "${links[0]}")
if ! grep -qF 'QV-410 Setting Tool' <<<"$link_text" ||
  ! grep -qF 'QV-410SettingTool.exe' <<<"$link_text"; then
  fail "the shortcut does not name the installed program"
fi
icon_win="C:\\windows\\Installer\\$product\\QV410SettingTool.exe"
grep -qF "$icon_win" <<<"$link_text" || fail "the shortcut's icon is not $icon_win"
cmp -s "$c/windows/Installer/$product/QV410SettingTool.exe" "$installed/QV-410SettingTool.exe" ||
  fail "the installer's icon file is not the program"
echo "shortcut: ${links[0]#"$c"/}"

# The entry in the installed programs, and its icon.
[ "$(reg_value "$arp\\$product" DisplayName)" = "QV-410 Setting Tool" ] || fail "entry: DisplayName"
[ "$(reg_value "$arp\\$product" DisplayVersion)" = "$version" ] || fail "entry: DisplayVersion"
publisher=$(reg_value "$arp\\$product" Publisher)
[ -n "$publisher" ] || fail "entry: no Publisher"
product_icon=$(reg_value "HKLM\\Software\\Classes\\Installer\\Products\\$(packed "$product")" ProductIcon)
[ "$product_icon" = "$icon_win" ] || fail "entry: the product icon is '$product_icon'"
echo "entry: QV-410 Setting Tool $version by $publisher, icon $product_icon"

# --- the installed program -----------------------------------------------------------------
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
read -r display_number <"$work/display"
rm -f "$work/display"
export DISPLAY=:$display_number
openbox --sm-disable >/dev/null 2>&1 &
openbox_pid=$!
# The prefix's desktop process, started by the installs with no display, picks the driver that
# draws nothing: a fresh wineserver starts it again on this display.
wineserver -k 2>/dev/null || true
wineserver -w

# run_program <locale> <expected caption>: start it, find its main dialog by the program's
# window class, compare the caption, press Escape, expect 2.
run_program() {
  local loc=$1 want=$2 pid wid name rc=0 watchdog
  LC_ALL=$loc LANG=$loc QV410_DEVICE=simulator wine "$exe_win" >/dev/null 2>&1 &
  pid=$!
  # Bounded: a program that never shows its dialog is killed, not waited for.
  (sleep 60 && kill "$pid" 2>/dev/null) &
  watchdog=$!
  wid=$(timeout 45 xdotool search --sync --onlyvisible --classname '^qv-410settingtool\.exe$' |
    sed -n 1p) || true
  if [ -z "$wid" ]; then
    kill "$pid" 2>/dev/null || true
    fail "$loc: no window of the program appeared"
  fi
  name=$(xdotool getwindowname "$wid")
  if [ "$name" != "$want" ]; then
    kill "$pid" 2>/dev/null || true
    fail "$loc: the main dialog is named '$name', expected '$want'"
  fi
  xdotool windowactivate --sync "$wid" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers Escape
  wait "$pid" || rc=$?
  kill "$watchdog" 2>/dev/null || true
  [ "$rc" = 2 ] || fail "$loc: Escape on the main dialog ended the program with $rc, expected 2"
  echo "program ($loc): main dialog '$name', Escape -> $rc"
}
run_program zh_CN.UTF-8 "$(caption zh_CN)"
run_program en_US.UTF-8 "$(caption en)"

# --- the same MSI again --------------------------------------------------------------------
echo "== install test: the same MSI again =="
before=$(ours)
rc=$(msiexec /i "$msi" /qn)
[ "$rc" = 0 ] || fail "the second msiexec /i ended with $rc"
diff <(echo "$before") <(ours) >&2 || fail "installing the same MSI again changed what is installed"

# --- a later version, then an earlier one --------------------------------------------------
echo "== install test: upgrade to $later_version, then back to $version =="
rc=$(msiexec /i "$later_msi" /qn)
[ "$rc" = 0 ] || fail "installing $later_version over $version ended with $rc"
[ "$(reg_value "$arp\\$later_product" DisplayVersion)" = "$later_version" ] ||
  fail "after the upgrade the entry does not say $later_version"
[ -z "$(reg_value "$arp\\$product" DisplayName)" ] || fail "after the upgrade $version is still listed"
[ -f "$installed/QV-410SettingTool.exe" ] || fail "after the upgrade the program is missing"
[ "$(shortcuts | wc -l)" = 1 ] || fail "after the upgrade there is not exactly one shortcut"
rc=$(msiexec /i "$msi" /qn)
[ "$rc" != 0 ] || fail "installing $version over $later_version was not refused"
[ "$(reg_value "$arp\\$later_product" DisplayVersion)" = "$later_version" ] ||
  fail "the refused downgrade removed $later_version"
[ -z "$(reg_value "$arp\\$product" DisplayName)" ] || fail "the refused downgrade listed $version"
echo "upgrade: $later_version replaced $version; $version over it refused ($rc)"
rc=$(msiexec /x "$later_msi" /qn)
[ "$rc" = 0 ] || fail "msiexec /x of $later_version ended with $rc"

# --- the development feature ---------------------------------------------------------------
echo "== install test: with the development feature =="
rc=$(msiexec /i "$msi" /qn ADDLOCAL=ALL)
[ "$rc" = 0 ] || fail "msiexec /i ADDLOCAL=ALL ended with $rc"
for f in include/QVSettingToolDll.h lib/QVSettingToolDll.dll.a QV-410SettingTool.exe; do
  cmp -s "$stage/$f" "$installed/$f" || fail "ADDLOCAL=ALL: $f is not installed as staged"
done

# --- removal -------------------------------------------------------------------------------
echo "== install test: remove (/x /qn) =="
rc=$(msiexec /x "$msi" /qn)
[ "$rc" = 0 ] || fail "msiexec /x ended with $rc"
[ ! -e "$installed" ] || fail "removal left $(find "$installed" | head -n5)"
[ -z "$(shortcuts)" ] || fail "removal left the shortcut $(shortcuts)"
[ -z "$(reg_value "$arp\\$product" DisplayName)" ] || fail "removal left the entry $arp\\$product"
# Windows Installer's own cache folder exists on every Windows; Wine makes it on first use.
[ -z "$(ls -A "$c/windows/Installer" 2>/dev/null)" ] || fail "removal left $(ls -A "$c/windows/Installer")"
diff <(echo "$files_before" | grep -vx './windows/Installer') <(prefix_files | grep -vx './windows/Installer') >&2 ||
  fail "removal did not restore the prefix's files"
keys_after=$(registry_keys)
# Keys Windows Installer may leave behind empty are its own, not ours: ours name our product,
# its package, its components or its upgrade code.
new_keys=$(LC_ALL=C comm -13 <(echo "$keys_before") <(echo "$keys_after"))
codes=("$product" "$later_product" "{$upgrade}" "$upgrade" "$(packed "$product")"
  "$(packed "$later_product")" "$(packed "{$upgrade}")" "QV-410" "QV410")
ours_left=$(cat "$WINEPREFIX"/system.reg "$WINEPREFIX"/user.reg | grep -i -F "${codes[@]/#/-e}" || true)
[ -z "$ours_left" ] || fail "removal left registry entries of ours: $ours_left"
# Those keys hold the installer's records by GUID; none may be left under them.
! grep -E '[0-9A-Fa-f]{32}|\{[0-9A-Fa-f-]{36}\}' <<<"$new_keys" >&2 ||
  fail "removal left the installer's records above"
if [ -n "$new_keys" ]; then
  echo "registry keys added and left empty by Windows Installer itself:"
  while read -r key; do echo "  $key"; done <<<"$new_keys"
fi
echo "install test ($arch) passed in $((SECONDS - started)) s"
