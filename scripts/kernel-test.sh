#!/usr/bin/env bash
# The printer link against the kernel's own USB printer driver: Debian's kernel under QEMU, two
# USB printer gadgets (0fe6:811e) on dummy_hcd bound by the guest's usblp, the printer emulator
# serving each gadget's node, and this build's library, qv410 and emulator shared read-only into
# the guest, so that discovery finds /dev/usb/lpN as it would with a printer plugged in.
#
# Prints one PASS/FAIL line per case and the benchmark figures; exits 0 only when every case
# passed. The guest's console goes to build-kernel/guest-console.log, the emulators' logs and the
# case lines to build-kernel/out/.
set -euo pipefail
cd "$(dirname "$0")/.."
tree=$PWD
started=$(date +%s%N)

build=${QV410_BUILD_DIR:-$tree/build}
work=$tree/build-kernel
out=$work/out
# The whole boot, cases and power-off; a guest that hangs is a failure, not a stuck CI.
guest_timeout=${QV410_KERNEL_TIMEOUT:-900}

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
mapfile -t missing < <(missing_packages qemu-system-x86 busybox-static cpio jq binutils)
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  timeout 600 $SUDO apt-get update -qq || echo "apt-get update failed; using the lists there are" >&2
  DEBIAN_FRONTEND=noninteractive timeout 1800 $SUDO apt-get install -y -qq \
    -o DPkg::Lock::Timeout=900 --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ! -x "$build/bin/qv410" ] || [ ! -x "$build/bin/qv410-pty-printer" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV410_BUILD_BENCH=OFF -DQV410_WERROR=ON >/dev/null
  cmake --build "$build" -j2
fi

# Debian 12's current kernel, the one linux-image-amd64 pulls in; fetched once, never installed.
mkdir -p "$work"
kpkg=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p' | sed -n 1p)
if [ -z "$kpkg" ]; then
  echo "kernel-test: cannot tell which kernel linux-image-amd64 depends on" >&2
  exit 1
fi
kver=${kpkg#linux-image-}
kroot=$work/$kpkg
if [ ! -f "$kroot/boot/vmlinuz-$kver" ]; then
  rm -rf "$kroot" "$work"/"$kpkg"_*.deb
  (cd "$work" && timeout 600 apt-get download "$kpkg")
  dpkg-deb -x "$work"/"$kpkg"_*.deb "$kroot"
fi
kmods=$kroot/lib/modules/$kver/kernel

# The modules the guest loads, each after the ones it depends on. The package ships no
# modules.dep (depmod runs at install), so the order comes from each module's own .modinfo.
declare -A module_file=()
while IFS= read -r f; do
  name=${f##*/}
  module_file[${name%.ko}]=$f
done < <(find "$kmods" -name '*.ko')
declare -A placed=()
order=()
place() {
  local name=$1 dep
  [ -z "${placed[$name]:-}" ] || return 0
  if [ -z "${module_file[$name]:-}" ]; then
    echo "kernel-test: module $name not in $kpkg" >&2
    exit 1
  fi
  placed[$name]=1
  for dep in $(objcopy -O binary --only-section=.modinfo "${module_file[$name]}" /dev/stdout |
    tr '\0' '\n' | sed -n 's/^depends=//p' | tr ',' ' '); do
    place "$dep"
  done
  order+=("$name")
}
for m in configfs usb-common usbcore udc-core dummy_hcd libcomposite usb_f_printer usblp \
  virtio_pci 9pnet_virtio 9p; do
  place "$m"
done

# What the host sends as firmware, and its hash as the host computes it: the guest compares the
# image the emulator received with this.
rm -rf "$out"
mkdir -p "$out"
head -c 1048576 /dev/urandom >"$out/firmware.bin"
sha256sum "$out/firmware.bin" | cut -d' ' -f1 >"$out/firmware.sha256"

# The size of the self-test job as the printer receives it whole, here on a pty (which takes
# every write whole): what arrives through the kernel's driver must be the same.
ptyroot=$(mktemp -d)
mkfifo "$ptyroot/control"
"$build/bin/qv410-pty-printer" --root "$ptyroot/tree" <"$ptyroot/control" >"$ptyroot/log" 2>&1 &
pty_pid=$!
exec {pty_control}>"$ptyroot/control"
for ((i = 0; i < 50; i++)); do
  grep -q '^pty ' "$ptyroot/log" && break
  sleep 0.1
done
QV410_ROOT=$ptyroot/tree QV410_DEVICE="" timeout 30 "$build/bin/qv410" self-test >/dev/null || true
for ((i = 0; i < 50; i++)); do
  grep -q '^job ' "$ptyroot/log" && break
  sleep 0.1
done
sed -n 's/^job //p' "$ptyroot/log" | sed -n 1p >"$out/selftest-size"
echo quit >&"$pty_control"
exec {pty_control}>&-
wait "$pty_pid" || true
rm -rf "$ptyroot"
if [ ! -s "$out/selftest-size" ]; then
  echo "kernel-test: the pty printer received no self-test job" >&2
  exit 1
fi

initramfs=$work/initramfs
rm -rf "$initramfs"
mkdir -p "$initramfs"/{bin,dev,proc,sys,host,lib/modules}
cp /bin/busybox "$initramfs/bin/busybox"
for m in "${order[@]}"; do
  cp "${module_file[$m]}" "$initramfs/lib/modules/"
done
{
  echo '#!/bin/busybox sh'
  echo '/bin/busybox --install -s /bin'
  echo 'export PATH=/bin'
  echo 'mount -t proc proc /proc; mount -t sysfs sysfs /sys; mount -t devtmpfs devtmpfs /dev'
  for m in "${order[@]}"; do
    # Two controllers: two printers, each on a bus of its own.
    args=""
    [ "$m" != dummy_hcd ] || args="num=2"
    echo "insmod /lib/modules/$m.ko $args || echo 'guest: insmod $m failed'"
  done
  # The guest's /tmp is a fresh tmpfs over the host's; a tree or build kept under the host's /tmp
  # is bound back into it so that the guest still sees it.
  tmp_keep=""
  for d in "$tree" "$build"; do
    case "$d" in /tmp/*) tmp_keep+=" ${d#/tmp/}" ;; esac
  done
  cat <<EOF
opts=trans=virtio,version=9p2000.L,msize=524288
mkdir -p /hosttmp
if mount -t 9p -o \$opts,ro host /host && mount -o bind /host/tmp /hosttmp &&
  mount -t tmpfs tmpfs /host/tmp; then
  for d in $tmp_keep; do
    mkdir -p /host/tmp/\$d && mount -o bind /hosttmp/\$d /host/tmp/\$d
  done
fi
if mount -t 9p -o \$opts out /host$out; then
  mount -t proc proc /host/proc
  mount -t sysfs sysfs /host/sys
  mount -t devtmpfs devtmpfs /host/dev
  mount -t configfs configfs /host/sys/kernel/config
  chroot /host /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp LANG=C.UTF-8 \\
    /usr/bin/timeout $((guest_timeout - 60)) /bin/bash $tree/scripts/kernel-guest.sh $build $out
  echo "guest: cases ended with \$?"
  sync
else
  echo 'guest: cannot mount the host'
fi
poweroff -f
EOF
} >"$initramfs/init"
chmod +x "$initramfs/init"
(cd "$initramfs" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initramfs.gz"

echo "== kernel suite: $kpkg under QEMU (TCG), modules: ${order[*]}"
console=$work/guest-console.log
qemu_status=0
timeout "$guest_timeout" qemu-system-x86_64 -accel tcg -m 1024 -smp 2 \
  -display none -monitor none -serial "file:$console" -no-reboot \
  -kernel "$kroot/boot/vmlinuz-$kver" -initrd "$work/initramfs.gz" \
  -append "console=ttyS0 panic=-1 loglevel=4" \
  -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
  -virtfs "local,path=$out,mount_tag=out,security_model=none,multidevs=remap" \
  </dev/null || qemu_status=$?

results=$out/results
failed=0
if [ -f "$results" ]; then
  cat "$results"
  failed=$(grep -c '^FAIL' "$results" || true)
fi
if [ "$qemu_status" -ne 0 ]; then
  echo "FAIL guest: QEMU ended with $qemu_status (124: the guest ran out of time); see $console"
  failed=$((failed + 1))
elif ! grep -qx 'DONE' "$results" 2>/dev/null; then
  echo "FAIL guest: the cases did not run to the end; see $console"
  failed=$((failed + 1))
fi
elapsed=$((($(date +%s%N) - started) / 1000000))
printf 'kernel suite: wall time %d.%03d s, %s case(s) failed; guest console in %s\n' \
  $((elapsed / 1000)) $((elapsed % 1000)) "$failed" "$console"
[ "$failed" -eq 0 ]
