#!/usr/bin/env bash
# The cases of scripts/kernel-test.sh, run inside its virtual machine (chrooted into the host's
# root, shared read-only): two printer gadgets bound by the guest's usblp, the printer emulator
# on each gadget's node, this build's qv410 against /dev/usb/lpN found by discovery.
# Usage: kernel-guest.sh BUILD_DIR OUT_DIR (OUT_DIR is shared back to the host, writable).
set -euo pipefail
build=$1
out=$2
qv=$build/bin/qv410
emu=$build/bin/qv410-pty-printer
results=$out/results
: >"$results"
unset QV410_ROOT QV410_DEVICE QV410_SERIAL

serials=(QV410-KT-0001 QV410-KT-0002)
gadgets=/sys/kernel/config/usb_gadget

say() { echo "$*" | tee -a "$results"; }
pass() { say "PASS $1: $2"; }
fail() { say "FAIL $1: $2"; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# Whether file $1 has more than $3 lines matching $2.
lines_beyond() { [ "$(grep -c "$2" "$1" || true)" -gt "$3" ]; }

# Polls a condition (a command, run afresh each time) every 0.1 s for at most $1 seconds.
wait_for() {
  local tenths=$(($1 * 10)) i
  shift
  for ((i = 0; i < tenths; i++)); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

# One qv410 run against printer $1 (0 or 1) by its serial number: its JSON in $json, its exit
# status in $rc.
json=""
rc=0
qv() {
  local n=$1
  shift
  rc=0
  json=$(timeout 60 "$qv" --json --serial "${serials[$n]}" "$@" 2>>"$out/qv410.stderr") || rc=$?
}
field() { jq -c "$1" <<<"$json" 2>/dev/null || echo "(no JSON)"; }
ok() { [ "$rc" -eq 0 ] && [ "$(field .ok)" = true ]; }
outcome() { echo "exit $rc, $(head -c 300 <<<"$json")"; }

# A control line to emulator $1; `state` answers one line, which it prints. An emulator that
# refuses or does not answer is noted; the case's own checks then fail.
control() {
  local n=$1 line=$2 log=$out/printer$1.log before
  before=$(grep -c '^\(ok\|error\)' "$log" || true)
  echo "$line" >&"${ctl[$n]}"
  if ! wait_for 10 lines_beyond "$log" '^\(ok\|error\)' "$before" ||
    ! tail -n 1 "$log" | grep >/dev/null -x ok; then
    echo "emulator $n: no ok for '$line'" >&2
    return 0
  fi
  if [ "$line" = state ]; then grep '^state ' "$log" | tail -n 1; fi
}
state_of() { control "$1" state | tr ' ' '\n' | sed -n "s/^$2=//p"; }

make_gadget() {
  local n=$1 g=$gadgets/qv$1
  mkdir "$g"
  echo 0x0fe6 >"$g/idVendor"
  echo 0x811e >"$g/idProduct"
  echo 0x0200 >"$g/bcdUSB"
  mkdir "$g/strings/0x409"
  echo "${serials[$n]}" >"$g/strings/0x409/serialnumber"
  echo "QV" >"$g/strings/0x409/manufacturer"
  echo "QV-410" >"$g/strings/0x409/product"
  mkdir "$g/functions/printer.0"
  # The driver's length field leaves out its own two bytes: the host drops the last two.
  echo "MFG:QV;MDL:QV-410;CMD:ESC;CLS:PRINTER;  " >"$g/functions/printer.0/pnp_string"
  mkdir -p "$g/configs/c.1/strings/0x409"
  echo "printer" >"$g/configs/c.1/strings/0x409/configuration"
  ln -s "$g/functions/printer.0" "$g/configs/c.1/"
}
bind() { echo "dummy_udc.$1" >"$gadgets/qv$1/UDC"; }
unbind() { echo "" >"$gadgets/qv$1/UDC"; }
lp_count() { find /dev/usb -name 'lp*' 2>/dev/null | wc -l; }
two_lps() { [ "$(lp_count)" -eq 2 ]; }
connected() { [ "$(grep -c '^connected' "$out/printer$1.log" || true)" -ge "$2" ]; }
# The kernel's node of the printer whose USB serial number is $1, as usblp bound it.
node_of() {
  local d
  for d in /sys/class/usbmisc/lp*; do
    if [ "$(cat "$d/device/../serial" 2>/dev/null)" = "$1" ]; then
      echo "/dev/usb/${d##*/}"
      return 0
    fi
  done
}

# Gadgets are made in order, so printer.0 of qv0 gets the first gadget node.
ctl=()
for n in 0 1; do
  make_gadget "$n"
done
for n in 0 1; do
  mkfifo "/tmp/control$n"
  exec {fd}<>"/tmp/control$n"
  ctl[n]=$fd
  "$emu" --gadget "/dev/g_printer$n" --serial "${serials[$n]}" --printed 4242 --write-gap 500 \
    --firmware-file "$out/received-firmware$n.bin" <&"$fd" >"$out/printer$n.log" 2>&1 &
  bind "$n"
done
if ! wait_for 20 two_lps || ! wait_for 20 connected 0 1 ||
  ! wait_for 20 connected 1 1; then
  fail setup "the two printers did not come up: $(ls /dev/usb /dev/g_printer* 2>&1 | tr '\n' ' ')"
  echo DONE >>"$results"
  exit 1
fi
echo "device ids: $(cat /sys/class/usbmisc/lp*/device/ieee1284_id 2>&1 | tr '\n' ' ')"

# --- identity, status, printed length --------------------------------------------------------
qv 0 info
if ok && [ "$(field .serialNumber)" = "\"${serials[0]}\"" ] &&
  [ "$(field .printerType)" = '"QV-410"' ] && [ "$(field .firmwareVersion)" = '"V1.05 2025-11-10"' ]; then
  pass identity "type, serial number and firmware as the printer answered them"
else
  fail identity "$(outcome)"
fi

control 0 "status 72" >/dev/null
qv 0 info
busy_json=$json busy_rc=$rc
control 0 "status 0" >/dev/null
qv 0 info
if [ "$busy_rc" -eq 0 ] && [ "$(jq -c '[.status, .statusBits]' <<<"$busy_json")" = '[72,["pause","paperOut"]]' ] &&
  ok && [ "$(field '[.status, .statusBits]')" = '[0,[]]' ]; then
  pass status "0x48 read as pause and paper out, then 0 as ready"
else
  fail status "with 72: exit $busy_rc, $(head -c 200 <<<"$busy_json"); with 0: $(outcome)"
fi

if ok && [ "$(field '[.printedLength, .printedLengthMetres]')" = '[4242,42.42]' ]; then
  pass printed-length "4242 hundredths, 42.42 m"
else
  fail printed-length "$(outcome)"
fi

# --- settings ----------------------------------------------------------------------------------
factory=$(timeout 30 "$qv" --json --simulator settings | jq -c .settings) || factory="(none)"
qv 0 settings
if ok && [ "$(field .settings)" = "$factory" ]; then
  pass settings-read "the thirteen factory settings"
else
  fail settings-read "expected $factory; $(outcome)"
fi

qv 0 set labelHeight=60 darkness=9 printToStop=-5 paperType=black-mark
set_json=$json set_rc=$rc
qv 0 settings
if [ "$set_rc" -eq 0 ] && [ "$(jq -c .ok <<<"$set_json")" = true ] && ok &&
  [ "$(field '.settings | [.labelHeight, .darkness, .printToStop, .paperType]')" = '[60,9,-5,2]' ]; then
  pass set "written, acknowledged, read back (labelHeight 60, darkness 9, printToStop -5)"
else
  fail set "set: exit $set_rc, $(head -c 200 <<<"$set_json"); read back: $(outcome)"
fi

# --- buzzer, learning, dump mode ------------------------------------------------------------
qv 0 beep off
off_ok=$(field '[.ok, .beep]') buzzer_off=$(state_of 0 buzzer)
qv 0 beep on
if [ "$off_ok" = '[true,false]' ] && [ "$buzzer_off" = 0 ] && ok && [ "$(state_of 0 buzzer)" = 1 ]; then
  pass buzzer "off then on, as the printer's state shows"
else
  fail buzzer "off: $off_ok (printer buzzer=$buzzer_off); on: $(outcome), printer buzzer=$(state_of 0 buzzer)"
fi

qv 0 learn label
label_ok=$(field .ok)
qv 0 learn paper
if [ "$label_ok" = true ] && ok && [ "$(state_of 0 labellearnings)" = 1 ] &&
  [ "$(state_of 0 lackpaperlearnings)" = 1 ]; then
  pass learning "label learning and paper-out learning, one each at the printer"
else
  fail learning "label: $label_ok; paper: $(outcome); printer: $(control 0 state)"
fi

qv 0 dump on
dump_on=$(field .ok) printer_dump=$(state_of 0 dump)
qv 0 dump off
if [ "$dump_on" = true ] && [ "$printer_dump" = 1 ] && ok && [ "$(state_of 0 dump)" = 0 ]; then
  pass dump-mode "on then off, as the printer's state shows"
else
  fail dump-mode "on: $dump_on (printer dump=$printer_dump); off: $(outcome)"
fi

# --- test prints --------------------------------------------------------------------------------
jobs_before=$(grep -c '^job ' "$out/printer0.log" || true)
qv 0 self-test
self_ok=$(field .ok) selftests=$(state_of 0 selftests)
qv 0 print-text --width 40 --height 20 "Lot 42"
text_ok=$(field '[.ok, .width, .height, .characters]')
wait_for 5 lines_beyond "$out/printer0.log" '^job ' $((jobs_before + 1)) || true
jobs_after=$(grep -c '^job ' "$out/printer0.log" || true)
# The self-test job whole: as many bytes as a pty printer receives (the host measured it).
selftest_size=$(cat "$out/selftest-size")
selftest_got=$(sed -n 's/^job //p' "$out/printer0.log" | sed -n "$((jobs_before + 1))p")
if [ "$self_ok" = true ] && [ "$selftests" = 1 ] && [ "$text_ok" = '[true,40,20,6]' ] &&
  [ "$jobs_after" -ge $((jobs_before + 2)) ] && [ "$selftest_got" = "$selftest_size" ]; then
  pass test-prints "self-test ($selftest_size bytes, whole) and a 40 x 20 mm text label reached the printer as jobs"
else
  fail test-prints "self-test $self_ok (printer selftests=$selftests, job ${selftest_got:-none} of $selftest_size bytes), text $text_ok, jobs $jobs_before -> $jobs_after"
fi

# --- a write in flight when the job ends -----------------------------------------------------------
# The driver takes a write at once and sends it later, and a close kills what is still in flight.
# Printer 1 answers the self-test's version and status queries, then takes no input. Its gadget
# is given just enough receive buffers for every transfer that follows but the job's last (the
# driver sends at most 8 KiB a transfer: the self-test command, then, 2 s later, the job), so
# that last transfer can only complete once the printer reads again, 3.5 s after the start.
# qv410 must still be waiting then, and the job must arrive whole.
#
# How many 8 KiB transfers the stalled gadget takes is measured first: writes, each once the one
# before has completed, until one does not complete.
accepted_transfers() {
  perl -e 'use Fcntl; sysopen(my $fh, $ARGV[0], O_RDWR | O_NONBLOCK) or die "open: $!\n";
    my ($n, $chunk) = (0, "\0" x 8192);
    while ($n < 64) {
      my $w = ""; vec($w, fileno($fh), 1) = 1;
      last unless select(undef, $w, undef, 0.3) > 0;
      last unless defined syswrite($fh, $chunk);
      $n++;
    }
    print $n - 1, "\n";' "$1"
}
drained=no whole=no got="" taken=""
node1=$(node_of "${serials[1]}")
if [ -n "$selftest_size" ] && [ "$selftest_size" -gt 8192 ] && [ -n "$node1" ]; then
  q_len=$(cat "$gadgets/qv1/functions/printer.0/q_len")
  jobs1=$(grep -c '^job ' "$out/printer1.log" || true)
  control 1 "stall 1" >/dev/null
  taken=$(accepted_transfers "$node1" || true)
  control 1 "stall 0" >/dev/null
  # What the measure wrote arrives as a job of its own.
  wait_for 5 lines_beyond "$out/printer1.log" '^job ' "$jobs1" || true
  need=$(((selftest_size + 8191) / 8192))
  lines=$(grep -c '^connected' "$out/printer1.log" || true)
  unbind 1
  rm "$gadgets/qv1/configs/c.1/printer.0"
  echo $((need + q_len - ${taken:-0})) >"$gadgets/qv1/functions/printer.0/q_len"
  ln -s "$gadgets/qv1/functions/printer.0" "$gadgets/qv1/configs/c.1/"
  bind 1
  wait_for 10 two_lps && wait_for 10 connected 1 $((lines + 1)) || true
  node1=$(node_of "${serials[1]}")
  jobs1=$(grep -c '^job ' "$out/printer1.log" || true)
  control 1 "stall after 2" >/dev/null
  rc=0
  (timeout 60 "$qv" --json --device "${node1:-/dev/usb/none}" self-test >"$out/drain.json" \
    2>>"$out/qv410.stderr") &
  qpid=$!
  sleep 3.5
  if kill -0 "$qpid" 2>/dev/null; then drained=yes; fi
  control 1 "stall 0" >/dev/null
  wait "$qpid" || rc=$?
  json=$(cat "$out/drain.json")
  wait_for 5 lines_beyond "$out/printer1.log" '^job ' "$jobs1" || true
  got=$(sed -n 's/^job //p' "$out/printer1.log" | sed -n "$((jobs1 + 1))p")
  [ "$got" = "$selftest_size" ] && whole=yes
fi
if ok && [ "$drained" = yes ] && [ "$whole" = yes ]; then
  pass drain "the self-test's last transfer waited in flight until the printer read again; the job arrived whole ($selftest_size bytes; the gadget took $taken transfers with $q_len buffers)"
else
  fail drain "$(outcome); still waiting at 3.5 s: $drained; job ${got:-none} of ${selftest_size:-unknown} bytes (the gadget took ${taken:-?} transfers with ${q_len:-?} buffers)"
fi

# --- firmware -----------------------------------------------------------------------------------
rm -f "$out/received-firmware0.bin"
started=$(now_ms)
qv 0 firmware --yes "$out/firmware.bin"
took=$(($(now_ms) - started))
wait_for 10 test -f "$out/received-firmware0.bin" || true
received=$(sha256sum "$out/received-firmware0.bin" 2>/dev/null | cut -d' ' -f1 || true)
if ok && [ "$(field .bytes)" = 1048576 ] && [ "$received" = "$(cat "$out/firmware.sha256")" ]; then
  pass firmware "1 MiB arrived byte for byte (sha256 $received) in $took ms"
else
  fail firmware "$(outcome); emulator's sha256 '${received:-none}', host's $(cat "$out/firmware.sha256")"
fi

# --- two printers -------------------------------------------------------------------------------
rc=0
json=$(timeout 60 "$qv" --json list 2>>"$out/qv410.stderr") || rc=$?
listed=$(jq -c '[.[] | .serialNumber] | sort' <<<"$json" 2>/dev/null || echo "(no JSON)")
nodes=$(jq -c '[.[] | select(.canOpen) | .node] | length' <<<"$json" 2>/dev/null || echo 0)
qv 1 info
second=$(field '[.ok, .serialNumber]')
qv 0 info
if [ "$listed" = "[\"${serials[0]}\",\"${serials[1]}\"]" ] && [ "$nodes" = 2 ] &&
  [ "$second" = "[true,\"${serials[1]}\"]" ] && [ "$(field '[.ok, .serialNumber]')" = "[true,\"${serials[0]}\"]" ]; then
  pass two-printers "list shows both serial numbers on two nodes; --serial reaches each"
else
  fail two-printers "list: exit $rc, $listed ($nodes openable); second: $second; first: $(outcome)"
fi

# --- unplug during an exchange ---------------------------------------------------------------
# Printer 0's gadget is unbound while qv410 waits on its node (given, so that the exchange in
# flight is the command's own and not discovery's); bound again, the next call must work. The
# bound counts from the unplug.
unplug_case() {
  local name=$1 expect=$2 bound_ms=$3 setup=$4 undo=$5 delay=$6
  shift 6
  local gone=0 back=0 qpid unplugged took node lines code
  node=$(node_of "${serials[0]}")
  control 0 "$setup" >/dev/null
  rc=0
  (timeout 60 "$qv" --json --device "${node:-/dev/usb/none}" "$@" >"$out/unplug.json" \
    2>>"$out/qv410.stderr") &
  qpid=$!
  sleep "$delay"
  unbind 0
  unplugged=$(now_ms)
  wait_for 5 test ! -e /dev/g_printer0 && gone=1
  wait "$qpid" || rc=$?
  took=$(($(now_ms) - unplugged))
  json=$(cat "$out/unplug.json")
  code=$(field .error.code)
  control 0 "$undo" >/dev/null
  lines=$(grep -c '^connected' "$out/printer0.log" || true)
  bind 0
  wait_for 10 two_lps && wait_for 10 connected 0 $((lines + 1)) && back=1
  qv 0 info
  if [ "$code" = "$expect" ] && [ "$took" -le "$bound_ms" ] && [ "$gone" = 1 ] && [ "$back" = 1 ] &&
    ok && [ "$(field .serialNumber)" = "\"${serials[0]}\"" ]; then
    pass "$name" "code $code $took ms after the unplug (bound $bound_ms ms); bound again, info works"
  else
    fail "$name" "code $code $took ms after the unplug on ${node:-no node} (want $expect within $bound_ms ms), node gone $gone, back $back; then $(outcome)"
  fi
}
# A write in flight: the printer takes no input, so once the gadget's few receive buffers are
# full the firmware write waits, and only the unplug (or the library's 5 s without progress,
# which the bound leaves out) ends it.
unplug_case unplug-write 52 4000 "stall 1" "stall 0" 2.5 firmware --yes "$out/firmware.bin"
# A read in flight: every reply comes 600 ms late (still within the library's wait), so the
# command spends its time waiting for replies.
unplug_case unplug-read 53 3000 "delay 600" "delay 0" 1.5 info

# --- two programs at once ---------------------------------------------------------------------
expected_settings=$(timeout 60 "$qv" --json --serial "${serials[0]}" settings | jq -c .settings) ||
  expected_settings=null
loop() {
  local what=$1 i
  for ((i = 0; i < 10; i++)); do
    timeout 60 "$qv" --json --serial "${serials[0]}" "$what" 2>/dev/null || echo "{\"exit\": $?}"
    echo
  done
}
loop info >"$out/parallel-a" &
a=$!
loop info >"$out/parallel-b" &
b=$!
loop settings >"$out/parallel-c" &
c=$!
wait "$a" "$b" "$c" || true
verdict() {
  # Each run: a right result, or 51 naming the other program; anything else is wrong.
  jq -sr --arg serial "${serials[0]}" --argjson settings "$expected_settings" '
    map(select(type == "object" and has("command"))) as $runs
    | ($runs | map(
        if .ok == true then
          (if .command == "info" then .serialNumber == $serial and .printedLength == 4242
           else .settings == $settings end) | if . then "right" else "WRONG" end
        elif .error.code == 51 and (tostring | test("in use by another program")) then "busy"
        else "failed " + (.error.code | tostring) end))
    | (map(select(. != "right" and . != "busy")) | unique | join(", ")) as $wrong
    | "\(length) runs: \(map(select(. == "right")) | length) right, \(map(select(. == "busy")) | length) busy" + (if $wrong == "" then "" else ", " + $wrong end)
  ' "$1" 2>/dev/null || echo "unreadable"
}
va=$(verdict "$out/parallel-a") vb=$(verdict "$out/parallel-b") vc=$(verdict "$out/parallel-c")
good() { [[ $1 =~ ^10\ runs:\ ([0-9]+)\ right,\ ([0-9]+)\ busy$ ]] && [ "${BASH_REMATCH[1]}" -gt 0 ]; }
if good "$va" && good "$vb" && good "$vc" && [ "$expected_settings" != null ]; then
  pass parallel "info: $va; info: $vb; settings: $vc"
else
  fail parallel "info: $va; info: $vb; settings: $vc"
fi

# --- figures ---------------------------------------------------------------------------------
runs=20
node=$(node_of "${serials[0]}")
started=$(now_ms)
for ((i = 0; i < runs; i++)); do
  timeout 30 "$qv" --json --device "$node" info >/dev/null || true
done
library_ms=$(($(now_ms) - started))
# The status query (1F 1B 1A 04 01 01) and its reply on one descriptor kept open.
raw_ok=0
exec {raw}<>"${node:-/dev/null}"
started=$(now_ms)
for ((i = 0; i < runs && ${#node} > 0; i++)); do
  printf '\x1f\x1b\x1a\x04\x01\x01' >&"$raw"
  if [ "$(timeout 5 dd bs=64 count=1 status=none <&"$raw" | wc -c)" -gt 0 ]; then
    raw_ok=$((raw_ok + 1))
  fi
done
raw_ms=$(($(now_ms) - started))
exec {raw}>&-
say "FIGURE library: $runs x 'qv410 --json info' (a process each: version query, five queries) in $library_ms ms, $((library_ms / runs)) ms each"
say "FIGURE raw: $runs status queries on one open descriptor (a dd started for each read) in $raw_ms ms, $((raw_ms / runs)) ms each ($raw_ok answered)"

# The library against the same bytes by hand on this node (the build's benchmark program, when
# it was built): one descriptor per exchange is the floor for a library that takes and lets go
# the printer on each call.
if [ -x "$build/bin/link_bench" ] && [ -n "$node" ]; then
  QV410_BENCH_DEVICE=$node timeout 300 "$build/bin/link_bench" --benchmark_filter=StatusQuery \
    --benchmark_repetitions=5 --benchmark_min_time=0.2 >"$out/link_bench.txt" 2>&1 || true
  sed -n 's/^.*\(status query\)/FIGURE link_bench: \1/p' "$out/link_bench.txt" | grep . |
    tee -a "$results" ||
    say "FIGURE link_bench: no figures (see link_bench.txt)"
fi

for n in 0 1; do
  echo quit >&"${ctl[$n]}"
done
wait || true
echo DONE >>"$results"
