#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour sanitizers) into
# build-fuzz/ and runs each for FUZZ_SECONDS (default 60) from its seed corpus under fuzz/corpus.
# New inputs go to a scratch folder, never into the committed seeds. A finding fails the script
# and leaves its reproducer (crash-*, oom-*, timeout-*) in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
# shellcheck source=scripts/packages.sh
source scripts/packages.sh
mapfile -t missing < <(missing_packages clang libclang-rt-14-dev cmake make libgtest-dev gettext)
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQV410_BUILD_FUZZ=ON -DQV410_WERROR=ON -DQV410_BUILD_TESTS=OFF -DQV410_BUILD_APP=OFF -DQV410_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j2

findings="$PWD/build-fuzz/findings"
mkdir -p "$findings"
status=0
for seeds in fuzz/corpus/*/; do
    target=$(basename "$seeds")
    scratch=$(mktemp -d)
    echo "== $target: ${seconds}s"
    if ! (cd "$findings" && "../bin/$target" -max_total_time="$seconds" -print_final_stats=1 \
            "$scratch" "$OLDPWD/$seeds" 2>"$findings/$target.log"); then
        echo "$target: FINDING (see $findings/$target.log)" >&2
        tail -40 "$findings/$target.log" >&2
        status=1
    fi
    grep -E '^stat::number_of_executed_units' "$findings/$target.log" || true
    rm -rf "$scratch"
done
exit "$status"
