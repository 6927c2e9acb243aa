#!/usr/bin/env bash
# The metrics service and timer as systemd reads them: systemd-analyze verify finds nothing, and
# the service's sandbox rates OK or better in systemd-analyze security.
# usage: systemd_units_test.sh SERVICE_TEMPLATE TIMER QV410_BINARY_DIR
set -u
template=$1
timer=$2
bindir=$3
if ! command -v systemd-analyze >/dev/null 2>&1; then
    echo "SKIP: systemd-analyze is not installed"
    exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The unit as installed, with ExecStart naming this build's qv410 so that verify can check it.
sed "s#@QV410_BINDIR@#$bindir#g" "$template" >"$dir/qv410-metrics.service"
cp "$timer" "$dir/qv410-metrics.timer"
failures=0

cd "$dir" || exit 1
if ! out=$(systemd-analyze verify --man=no qv410-metrics.service qv410-metrics.timer 2>&1) || [[ -n $out ]]; then
    echo "FAIL: systemd-analyze verify:"
    echo "$out"
    failures=$((failures + 1))
fi

rating=$(systemd-analyze security --offline=true --no-pager "$dir/qv410-metrics.service" 2>&1 |
    sed -n 's/.*Overall exposure level for qv410-metrics.service: \([0-9.]*\) \([A-Z]*\).*/\1 \2/p')
echo "security: ${rating:-none}"
case ${rating#* } in
    SAFE | OK) ;;
    *)
        echo "FAIL: the service rates '${rating:-nothing}', not OK or better"
        failures=$((failures + 1))
        ;;
esac

# The timer runs the service every minute and is not enabled by anything the package ships.
grep -qx 'OnCalendar=minutely' qv410-metrics.timer || { echo "FAIL: not every minute"; failures=$((failures + 1)); }
grep -q '^\[Install\]' qv410-metrics.service && { echo "FAIL: the service installs itself"; failures=$((failures + 1)); }

((failures == 0)) || exit 1
echo "systemd units: verify clean, security ${rating}"
