#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test and run the settings tool.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  build-essential cmake g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  gettext locales
  nlohmann-json3-dev dpkg-dev file strace
  qt6-base-dev qt6-base-dev-tools libgl-dev
  xvfb xauth x11-apps x11-utils imagemagick openbox xdotool
  weston libweston-10-dev qt6-wayland dbus at-spi2-core python3-dbus
  qt6-translations-l10n
  fonts-dejavu-core fonts-noto-cjk
  binutils-mingw-w64-x86-64
  prometheus systemd
)

# shellcheck source=scripts/packages.sh
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/packages.sh"
mapfile -t missing < <(missing_packages "${packages[@]}")

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  # A mirror in the middle of a sync fails an update now and then: try again, and install from
  # whatever lists are there if it keeps failing.
  for attempt in 1 2 3; do
    $SUDO apt-get update -qq && break
    echo "apt-get update failed (attempt $attempt)" >&2
    sleep $((attempt * 10))
  done
  for attempt in 1 2 3; do
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends \
      "${missing[@]}" >/dev/null && break
    [ "$attempt" -lt 3 ] || exit 1
    echo "apt-get install failed (attempt $attempt)" >&2
    sleep $((attempt * 10))
    $SUDO apt-get update -qq || true
  done
fi

# Locales the tests and the catalogs use (English, Chinese, and a comma decimal separator).
need_gen=0
for loc in en_US.UTF-8 de_DE.UTF-8 zh_CN.UTF-8; do
  if ! locale -a 2>/dev/null | grep >/dev/null -i "^${loc%.UTF-8}.utf8$"; then
    $SUDO sed -i "s/^# *\(${loc} UTF-8\)/\1/" /etc/locale.gen
    grep -q "^${loc} UTF-8" /etc/locale.gen || echo "${loc} UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    need_gen=1
  fi
done
if [ "$need_gen" -eq 1 ]; then $SUDO locale-gen >/dev/null; fi
