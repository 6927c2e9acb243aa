#!/usr/bin/env bash
# Runs the library's whole test suite (unit, pty integration, fault matrix, allocation failures,
# soak) under valgrind memcheck, from a plain build in build-valgrind/: any memory error or
# definite leak fails the test it happens in. The dialog program's tests are not included (the
# Qt and font libraries report their own findings).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# shellcheck source=scripts/packages.sh
source scripts/packages.sh
if [ -n "$(missing_packages valgrind)" ]; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends valgrind >/dev/null
fi

# Every test command, test discovery included, runs through valgrind.
memcheck="valgrind;--tool=memcheck;--error-exitcode=99;--leak-check=full"
memcheck+=";--errors-for-leak-kinds=definite,indirect;--show-leak-kinds=definite,indirect"
memcheck+=";--num-callers=30;--quiet"
cmake -S . -B build-valgrind -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV410_BUILD_APP=OFF \
    -DQV410_BUILD_BENCH=OFF -DQV410_WERROR=ON "-DCMAKE_CROSSCOMPILING_EMULATOR=$memcheck" >/dev/null
cmake --build build-valgrind -j2
(cd build-valgrind && ctest -j2 --output-on-failure --timeout 900)
