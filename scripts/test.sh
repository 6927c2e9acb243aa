#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: a plain build, then a build with
# the address and undefined-behaviour sanitizers. In CI it tests the Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."

# The Debian packages, built, installed into this machine's system and purged again: in CI (as
# root, on a fresh machine, first, so that their build finds only their build dependencies) or
# when asked for. .ci/run reaches it through this script only.
case "${CI:-}" in "" | false | 0) ci=0 ;; *) ci=1 ;; esac
if [ "$ci" = 1 ] || [ "${QV410_PACKAGE_TEST:-0}" = 1 ]; then
  bash scripts/package-test.sh
fi

bash scripts/install-deps.sh

jobs=2

echo "== plain build =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV410_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest -j"$jobs" --output-on-failure --timeout 300)

echo "== sanitizer build =="
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQV410_SANITIZE=ON -DQV410_BUILD_BENCH=OFF -DQV410_WERROR=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
(cd build-sanitize && ctest -j"$jobs" --output-on-failure --timeout 600)
