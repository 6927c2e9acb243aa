#!/usr/bin/env bash
# Builds the Debian packages from a clean copy of this tree as a distribution would, checks them
# with lintian, installs them into THIS machine's system, checks what a user and a developer get,
# and purges them again. It needs root (CI runs it as root); scripts/test.sh runs it where CI is
# set or when asked for with QV410_PACKAGE_TEST=1.
#
#   package-test.sh                  build, check, install, test, purge
#   package-test.sh --update-symbols build the library and rewrite
#                                    debian/libqvsettingtooldll1.symbols from what it exports
#
# The build runs under strace: every file it opened or ran must belong to a package that the
# build dependencies (with build-essential and the essential set) pull in, so a clean build
# environment with only those installed would find nothing missing.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

fail() { echo "FAIL: $*" >&2; exit 1; }
say() { echo "== $* ($(date -u +%T))"; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
apt_install() {
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
        --no-install-recommends "$@" >/dev/null
}

# A copy of the tree without build folders or anything git ignores: the packages come from the
# sources alone.
work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
app_pid=""
installed=0
cleanup() {
    # A failed run takes out what it installed.
    if [ "$installed" = 1 ]; then
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 purge -y -qq \
            libqvsettingtooldll1 libqvsettingtooldll-dev qv410 qv410-setting-tool >/dev/null 2>&1 || true
    fi
    if [ -n "$app_pid" ]; then kill -TERM "$app_pid" 2>/dev/null || true; fi
    if [ -n "$wm_pid" ]; then kill -TERM "$wm_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill -TERM "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
src="$work/qv410-setting-tool-1.16"
mkdir "$src"
if git -C "$top" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$top" ls-files -co --exclude-standard -z | tar -C "$top" --null -T - -cf - |
        tar -C "$src" -xf -
else
    tar -C "$top" --exclude='./build*' --exclude='./obj-*' -cf - . | tar -C "$src" -xf -
fi

if [ "${1:-}" = "--update-symbols" ]; then
    # The library alone, then dpkg-gensymbols over the exports it has now.
    cmake -S "$src" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV410_BUILD_APP=OFF \
        -DQV410_BUILD_TESTS=OFF -DQV410_BUILD_BENCH=OFF >/dev/null
    cmake --build "$work/build" -j2 --target QVSettingToolDll >/dev/null
    lib=$(readlink -f "$work/build/bin/libQVSettingToolDll.so.1")
    version=$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version)
    mkdir -p "$work/pkg/DEBIAN" "$work/pkg/usr/lib"
    cp "$lib" "$work/pkg/usr/lib/"
    # Symbols already listed keep the version they came with; new ones get this version.
    dpkg-gensymbols -q -plibqvsettingtooldll1 -v"$version" -P"$work/pkg" -e"$work/pkg/usr/lib/*" \
        -I"$top/debian/libqvsettingtooldll1.symbols" -O"$work/symbols" -c0
    {
        head -n1 "$work/symbols"
        echo "* Build-Depends-Package: libqvsettingtooldll-dev"
        grep '^ ' "$work/symbols"
    } >"$top/debian/libqvsettingtooldll1.symbols"
    echo "wrote debian/libqvsettingtooldll1.symbols ($(grep -c '^ ' "$work/symbols") symbols)"
    exit 0
fi

[ "$(id -u)" -eq 0 ] || [ -n "$SUDO" ] || fail "needs root"
start=$(date +%s)

# --- build from a clean tree with the build dependencies only ---------------------------------
say "installing build-essential and the build dependencies"
$SUDO apt-get -o DPkg::Lock::Timeout=900 update -qq || echo "apt-get update failed; using the lists there are" >&2
apt_install build-essential dpkg-dev strace
# The checks only need what the packages build without (DEB_BUILD_OPTIONS=nocheck below).
DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 build-dep -y -qq \
    --no-install-recommends -Pnocheck "$src" >/dev/null
(cd "$src" && dpkg-checkbuilddeps -Pnocheck) || fail "build dependencies not satisfied"

say "building the packages"
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER  # a cache hit opens no header
status=0
(cd "$src" && DEB_BUILD_OPTIONS="parallel=2 nocheck" \
    strace -f -qq --seccomp-bpf -e trace=execve,openat,clone,clone3,fork,vfork \
        -e status=successful -o "$work/trace" \
    dpkg-buildpackage -us -uc -b -Pnocheck >"$work/build.log" 2>&1) || status=$?
if [ "$status" -ne 0 ]; then
    tail -n 60 "$work/build.log" >&2
    fail "dpkg-buildpackage ended with $status"
fi
build_seconds=$(($(date +%s) - start))

say "checking that the build used only what its build dependencies bring"
# Every package the build dependencies, build-essential and the essential set pull in (Depends
# and Pre-Depends, with the providers of virtual names).
mapfile -t wanted < <(perl -MDpkg::Control::Info -MDpkg::Deps -e '
    my $c = Dpkg::Control::Info->new("'"$src"'/debian/control")->get_source;
    my $d = deps_parse($c->{"Build-Depends"}, build_dep => 1, reduce_profiles => 1,
                       build_profiles => ["nocheck"]);
    for my $x ($d->get_deps) {
        print "$_->{package}\n" for ($x->isa("Dpkg::Deps::OR") ? $x->get_deps : ($x));
    }')
mapfile -t essential < <(dpkg-query -W -f='${Package} ${Essential}\n' | awk '$2 == "yes" {print $1}')
providers() {  # names -> installed packages (a virtual name -> the installed packages providing it)
    dpkg-query -W -f='${db:Status-Abbrev} ${Package} ${Provides}\n' | awk -v names="$*" '
        BEGIN { n = split(names, a, " "); for (i = 1; i <= n; i++) want[a[i]] = 1 }
        $1 != "ii" { next }
        { if ($2 in want) print $2
          for (i = 3; i <= NF; i++) { p = $i; sub(/[,]$/, "", p); if (p in want) print $2 } }'
}
mapfile -t roots < <(providers "${wanted[@]}" build-essential "${essential[@]}" | sort -u)
apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances "${roots[@]}" 2>/dev/null |
    sed -n 's/^\([^ <][^ :]*\).*/\1/p' | sort -u >"$work/allowed.0"
# Virtual names in the closure: the installed packages that provide them.
apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances "${roots[@]}" 2>/dev/null |
    sed -n 's/^ *|\{0,1\}\(Pre\)\{0,1\}Depends: <\([^>:]*\).*/\2/p' | sort -u >"$work/virtual"
mapfile -t virtual <"$work/virtual"
{ cat "$work/allowed.0"; if [ "${#virtual[@]}" -gt 0 ]; then providers "${virtual[@]}"; fi; } |
    sort -u >"$work/allowed"

# Files the build opened or ran, by absolute path, and the program that did. Left out: the
# directories (shared by many packages), and what the packaging tools (perl scripts, ldconfig)
# and pkg-config only look through: optional modules, the libraries of other architectures, every
# .pc file when a module is absent. What the compiler and linker then open is counted.
awk '/ execve\("/ { split($0, q, "\""); print q[2] }' "$work/trace" | sort -u >"$work/programs"
while read -r p; do
    if [ -f "$p" ] && head -n1 "$p" | grep >/dev/null '^#!.*perl'; then echo "$p"; fi
done <"$work/programs" >"$work/perl-programs"
# Files looked for whether or not they are there (plugins binutils loads from its folder and what
# they load, the locale aliases, the time zone) change nothing when they are absent.
{
    for plugin in /usr/lib/bfd-plugins/*; do
        [ -f "$plugin" ] || continue
        echo "$plugin"
        ldd "$plugin" 2>/dev/null | sed -n 's/.*=> \(\/[^ ]*\).*/\1/p'
    done
} | xargs -r realpath -m -s -- | sort -u >"$work/probed"
awk -v perls="$work/perl-programs" '
    BEGIN { while ((getline p < perls) > 0) perl[p] = 1 }
    { pid = $1 }
    # A child runs its parent'"'"'s program until it runs its own (which may be logged first).
    / (clone|clone3|fork|vfork)\(|<\.\.\. (clone|clone3|fork|vfork) resumed>/ {
        child = $NF; if (child ~ /^[0-9]+$/ && !(child in prog)) prog[child] = prog[pid]; next }
    / execve\("/ { split($0, q, "\""); prog[pid] = q[2]; print q[2]; next }
    / openat\(AT_FDCWD, "\// {
        split($0, q, "\""); p = prog[pid]; if (p in perl) next
        sub(/.*\//, "", p)
        if (p !~ /^(perl.*|ldconfig.*|pkg-config|pkgconf)$/) print q[2]
    }' "$work/trace" | sort -u | xargs -r -d '\n' realpath -m -s -- | sort -u |
    grep -v -x -F -f "$work/probed" |
    grep -v -x -e '/usr/share/locale/locale.alias' -e '/usr/share/zoneinfo/.*' |
    while read -r f; do [ -d "$f" ] || echo "$f"; done >"$work/used-files"
# dpkg lists a file under /lib or /usr/lib as it was shipped; with a merged /usr either name may
# be used.
awk '{ p = FILENAME; sub(/.*\//, "", p); sub(/\.list$/, "", p); sub(/:.*/, "", p)
       print $0 "\t" p }' /var/lib/dpkg/info/*.list | awk -F '\t' '{ print; if ($1 ~ /^\/(lib|lib64|bin|sbin)\//) print "/usr" $1 "\t" $2
                      else if ($1 ~ /^\/usr\/(lib|lib64|bin|sbin)\//) print substr($1, 5) "\t" $2 }' \
    >"$work/owners"
awk -F '\t' 'NR == FNR { owner[$1] = owner[$1] " " $2; next }
             ($1 in owner) { n = split(owner[$1], o, " "); for (i = 1; i <= n; i++) print o[i] "\t" $1 }' \
    "$work/owners" "$work/used-files" | sort -u >"$work/used"
# A file that several packages ship (a directory, a diverted file) counts for any of them.
awk -F '\t' 'NR == FNR { ok[$1] = 1; next }
             { files[$2] = 1; if ($1 in ok) good[$2] = 1; pkgs[$2] = pkgs[$2] " " $1 }
             END { for (f in files) if (!(f in good)) print substr(pkgs[f], 2) ": " f }' \
    "$work/allowed" "$work/used" | sort >"$work/outside"
used_packages=$(cut -f1 "$work/used" | sort -u | wc -l)
if [ -s "$work/outside" ]; then
    mkdir -p "$top/build-package-test"
    cp "$work/trace" "$work/outside" "$work/used" "$work/allowed" "$top/build-package-test/"
    sed 's/^/  /' "$work/outside" | head -n 40 >&2
    echo "(the trace and the lists are in build-package-test/)" >&2
    fail "the build used files of packages outside its build dependencies"
fi
echo "the build opened or ran files of $used_packages packages, all pulled in by its build dependencies"

# --- the packages ------------------------------------------------------------------------------
# The debug symbols packages (-dbgsym) come with them and are left out from here on.
mapfile -t debs < <(find "$work" -maxdepth 1 -name '*.deb' ! -name '*-dbgsym_*' | sort)
names=$(for d in "${debs[@]}"; do dpkg-deb -f "$d" Package; done | sort | tr '\n' ' ')
[ "$names" = "libqvsettingtooldll-dev libqvsettingtooldll1 qv410 qv410-setting-tool " ] ||
    fail "packages built: $names"

say "lintian"
apt_install lintian
# Errors and warnings fail; the rest is shown.
lintian --info --display-level '>=pedantic' --fail-on error,warning --allow-root \
    "$work"/*.changes || fail "lintian"

say "installing the packages"
# The Chinese texts need a Chinese locale.
if ! locale -a 2>/dev/null | grep >/dev/null -ix 'zh_CN.utf8'; then
    apt_install locales
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
apt_install appstream desktop-file-utils xvfb xauth x11-utils xdotool openbox pkgconf cmake gcc libc6-dev \
    udev
for p in libqvsettingtooldll1 libqvsettingtooldll-dev qv410 qv410-setting-tool; do
    if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep >/dev/null 'install ok installed'; then
        fail "$p is installed already; this test would remove it"
    fi
done
installed=1
DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
    "${debs[@]}" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "apt-get install"; }
# (apt notes that it reads local files as root: not ours to fix.)
! grep -i 'fail\|error\|warning' "$work/install.log" | grep -v 'unsandboxed as root' ||
    fail "installing said the above"

ma=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
expect_listed() {  # package, files...
    local p=$1 listed
    shift
    listed=$(dpkg -L "$p")
    for f in "$@"; do grep -qxF "$f" <<<"$listed" || fail "$p does not install $f"; done
}
expect_listed libqvsettingtooldll1 "/usr/lib/$ma/libQVSettingToolDll.so.1" \
    "/usr/lib/$ma/libQVSettingToolDll.so.1.16" \
    /usr/share/locale/en/LC_MESSAGES/PrinterConfig.mo \
    /usr/share/locale/zh_CN/LC_MESSAGES/PrinterConfig.mo \
    /usr/share/doc/libqvsettingtooldll1/copyright
expect_listed libqvsettingtooldll-dev /usr/include/QVSettingToolDll.h \
    "/usr/lib/$ma/libQVSettingToolDll.so" "/usr/lib/$ma/pkgconfig/qv410.pc" \
    "/usr/lib/$ma/cmake/QVSettingToolDll/QVSettingToolDllConfig.cmake" \
    "/usr/lib/$ma/cmake/QVSettingToolDll/QVSettingToolDllConfigVersion.cmake" \
    "/usr/lib/$ma/cmake/QVSettingToolDll/QVSettingToolDllTargets.cmake"
expect_listed qv410 /usr/bin/qv410 /usr/share/man/man1/qv410.1.gz \
    /usr/share/bash-completion/completions/qv410 /usr/lib/udev/rules.d/60-qv410.rules \
    /usr/share/doc/qv410/README.md.gz /usr/share/doc/qv410/copyright /usr/share/doc/qv410/changelog.gz \
    /usr/lib/systemd/system/qv410-metrics.service /usr/lib/systemd/system/qv410-metrics.timer
# The metrics timer is shipped, not switched on; systemd reads both units without a complaint.
[ ! -e /etc/systemd/system/timers.target.wants/qv410-metrics.timer ] ||
    fail "installing qv410 enabled the metrics timer"
if command -v systemd-analyze >/dev/null 2>&1; then
    units_out=$(systemd-analyze verify --man=no /usr/lib/systemd/system/qv410-metrics.service \
        /usr/lib/systemd/system/qv410-metrics.timer 2>&1) && [ -z "$units_out" ] ||
        fail "systemd-analyze verify of the metrics units: $units_out"
fi
expect_listed qv410-setting-tool /usr/bin/QV-410SettingTool \
    /usr/share/applications/QV-410SettingTool.desktop \
    /usr/share/icons/hicolor/48x48/apps/QV-410SettingTool.png \
    /usr/share/icons/hicolor/scalable/apps/QV-410SettingTool.svg \
    /usr/share/metainfo/org.qv410.settingtool.metainfo.xml \
    /usr/share/man/man1/QV-410SettingTool.1.gz
# Each file in exactly one package: the library package carries no development link, the tools
# no copy of the library.
! dpkg -L qv410 qv410-setting-tool libqvsettingtooldll-dev | grep >/dev/null 'libQVSettingToolDll\.so\.1' ||
    fail "the library is in more than one package"
! dpkg -L libqvsettingtooldll1 | grep >/dev/null 'libQVSettingToolDll\.so$' ||
    fail "the development link is in the library package"
for b in /usr/bin/qv410 /usr/bin/QV-410SettingTool "/usr/lib/$ma/libQVSettingToolDll.so.1.16"; do
    ! readelf -d "$b" | grep >/dev/null 'RPATH\|RUNPATH' || fail "$b carries a library search path"
    readelf -d "$b" | grep >/dev/null 'BIND_NOW' || fail "$b is not linked with -z now"
done
dpkg-query -W -f='${Depends}' qv410 | grep >/dev/null 'libqvsettingtooldll1 (>= 1.16)' ||
    fail "qv410 does not depend on the library through its symbols file"
dpkg-query -W -f='${Depends}' qv410-setting-tool | grep >/dev/null 'libqt6widgets6' ||
    fail "qv410-setting-tool does not depend on Qt"

say "the installed programs"
[ "$(qv410 --version)" = "qv410 1.16" ] || fail "qv410 --version said: $(qv410 --version)"
json=$(LC_ALL=C qv410 --json info --simulator)
case "$json" in *'"ok":true'*'"printerType":"QV-410"'* | *'"printerType":"QV-410"'*'"ok":true'*) ;;
    *) fail "qv410 --json info --simulator said: $json" ;; esac
out=$(LC_ALL=zh_CN.UTF-8 LANGUAGE='' qv410 --simulator check)
[ "$out" = "连接测试成功。" ] || fail "installed qv410 in Chinese said: $out"
man -l /usr/share/man/man1/QV-410SettingTool.1.gz >/dev/null 2>&1 ||
    zcat /usr/share/man/man1/QV-410SettingTool.1.gz | grep >/dev/null '^\.TH ' || fail "the program's man page"
for page in /usr/share/man/man1/qv410.1.gz /usr/share/man/man1/QV-410SettingTool.1.gz; do
    # Every file a manual page names is installed (a pattern: at least one file).
    named=$(zcat "$page" | sed 's/\\-/-/g' | grep -o '/usr/[A-Za-z0-9_.*/-]*' | sort -u)
    [ -n "$named" ] || fail "$page names no installed file"
    for f in $named; do
        compgen -G "$f" >/dev/null || fail "$page names $f, which is not installed"
    done
done

# The dialog program on a virtual display against the simulated printer: the main dialog's
# caption comes from the installed catalog, in English and in Chinese.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
display=""
for n in $(seq 99 -1 50); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || fail "no free X display number"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY="$display" openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
caption_of_program() {  # locale -> the caption of the installed program's main dialog
    local caption="" window=""
    DISPLAY="$display" LANGUAGE='' LC_ALL=$1 QV410_DEVICE=simulator /usr/bin/QV-410SettingTool \
        >/dev/null 2>&1 &
    app_pid=$!
    # A loaded machine takes its time to start Qt.
    for _ in $(seq 1 300); do
        # The window tree names every window, whatever the locale of this script.
        window=$(xwininfo -display "$display" -root -tree 2>/dev/null |
            awk '/ v1\.16"/ && !found {print $1; found=1}')
        [ -n "$window" ] && break
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -n "$window" ]; then
        caption=$(DISPLAY="$display" LC_ALL=C.UTF-8 xdotool getwindowname "$window")
        # A picture of it for whoever looks at the run (when ImageMagick is there).
        if command -v import >/dev/null 2>&1; then
            sleep 0.5
            mkdir -p "$top/build-package-test"
            DISPLAY="$display" import -window root "$top/build-package-test/main-dialog-$1.png" || true
        fi
    fi
    if [ -z "$window" ]; then
        DISPLAY="$display" xwininfo -root -tree >&2 || echo "no X server on $display" >&2
    fi
    kill -TERM "$app_pid" 2>/dev/null || true
    local status=0
    wait "$app_pid" || status=$?
    app_pid=""
    [ "$status" -eq 2 ] || fail "QV-410SettingTool ended with $status after SIGTERM"
    echo "$caption"
}
caption=$(caption_of_program C)
[ "$caption" = "QV-410 Setting Tool  v1.16" ] || fail "main dialog caption (English): '$caption'"
caption=$(caption_of_program zh_CN.UTF-8)
[ "$caption" = "QV-410 设置工具  v1.16" ] || fail "main dialog caption (Chinese): '$caption'"
echo "main dialog captions: 'QV-410 Setting Tool  v1.16', 'QV-410 设置工具  v1.16'"

say "consumers of the development package"
cp packaging/tests/consumer.c "$work/"
# shellcheck disable=SC2046
cc -Wall -Werror -o "$work/consumer-pc" "$work/consumer.c" $(pkg-config --cflags --libs qv410)
[ "$("$work/consumer-pc")" = "QV-410" ] || fail "pkg-config consumer"
[ "$(pkg-config --modversion qv410)" = 1.16 ] || fail "pkg-config version"
mkdir "$work/cmake-consumer"
cp packaging/tests/consumer.c "$work/cmake-consumer/"
cp packaging/tests/CMakeLists.txt.in "$work/cmake-consumer/CMakeLists.txt"
cmake -S "$work/cmake-consumer" -B "$work/cmake-consumer/build" >/dev/null
cmake --build "$work/cmake-consumer/build" >/dev/null
[ "$("$work/cmake-consumer/build/consumer")" = "QV-410" ] || fail "find_package consumer"

say "metadata and the udev rule"
appstreamcli validate --no-net --pedantic /usr/share/metainfo/org.qv410.settingtool.metainfo.xml ||
    fail "appstreamcli validate"
grep -q '<modalias>usb:v0FE6p811E\*</modalias>' /usr/share/metainfo/org.qv410.settingtool.metainfo.xml ||
    fail "the metadata does not offer the program for the printer"
grep -q '<launchable type="desktop-id">QV-410SettingTool.desktop</launchable>' \
    /usr/share/metainfo/org.qv410.settingtool.metainfo.xml || fail "launchable desktop id"
desktop-file-validate /usr/share/applications/QV-410SettingTool.desktop || fail "desktop-file-validate"
grep -q '^Keywords=' /usr/share/applications/QV-410SettingTool.desktop || fail "desktop entry keywords"
# udev reads the installed rule and has nothing to say about it (a complaint names the file and
# line). A matching device would need the printer: the rule's keys are checked in the file.
udev_out=$(udevadm test /sys/class/mem/null 2>&1 || true)
grep -qx 'Reading rules file: /usr/lib/udev/rules.d/60-qv410.rules' <<<"$udev_out" ||
    fail "udevadm test did not read 60-qv410.rules: $udev_out"
! grep '60-qv410\.rules:[0-9]' <<<"$udev_out" || fail "udev finds fault with the rule"
rule=$(grep -v '^#' /usr/lib/udev/rules.d/60-qv410.rules)
for part in 'SUBSYSTEM=="usbmisc"' 'ATTRS{idVendor}=="0fe6"' 'ATTRS{idProduct}=="811e"' 'TAG+="uaccess"'; do
    grep -qF "$part" <<<"$rule" || fail "the udev rule lacks $part"
done

say "purging"
(cd "$work" && DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 purge -y -qq \
    libqvsettingtooldll1 libqvsettingtooldll-dev qv410 qv410-setting-tool >"$work/purge.log" 2>&1) ||
    { cat "$work/purge.log" >&2; fail "apt-get purge"; }
installed=0
! grep -i 'fail\|error\|warning' "$work/purge.log" | grep -v 'unsandboxed as root' ||
    fail "purging said the above"
left=""
for d in "${debs[@]}"; do
    while read -r f; do
        [ -d "$f" ] && continue  # shared folders such as /usr/share/man stay
        if [ -e "$f" ] || [ -L "$f" ]; then left="$left $f"; fi
    done < <(dpkg-deb --fsys-tarfile "$d" | tar -t | sed 's|^\./|/|')
done
[ -z "$left" ] || fail "left behind after purge:$left"
for f in /usr/share/doc/qv410 /usr/share/doc/qv410-setting-tool /usr/lib/"$ma"/cmake/QVSettingToolDll; do
    [ ! -e "$f" ] || fail "left behind after purge: $f"
done

echo "package test passed: 4 packages built in ${build_seconds} s, whole test $(($(date +%s) - start)) s"
